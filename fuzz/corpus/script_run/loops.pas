var s: String; i: Integer; a: array[3] of Variant;
procedure P(var x: Integer; y: String = 'z'); begin x := x + 1; P(x, y) end;
begin
  s := 'x'; while True do s := s + s;
  for i := 0 to 2 do a[i] := Format('%d %s %2.2n', [i, s, i / 3]);
  try P(i) except s := ExceptionMessage end;
  s := FormatDateTime('dddd d mmmm yyyy hh:nn am/pm', Now) + Copy(s, -1, 3);
end.
