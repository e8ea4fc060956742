var s: String; a: array of Integer; i: Integer;
procedure P(x: Integer); begin while True do try repeat Inc(x) until False except end end;
begin
  try while True do begin s := s + '0123456789'; SetLength(a, Length(a) + 1); a[i] := i; Inc(i) end finally P(1) end;
end.
