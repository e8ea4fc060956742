program Raport;
uses 'wspolne.pas';
const Prog = 1000;
var Suma: Double; Licznik: Integer = 0; Tab: array[1..3, 0..1] of Variant;
procedure Memo1OnBeforePrint(Sender: TrpView);
begin
  if <DaneOrvena."kwota"> < 0 then Memo1.Font.Color := $0000FF;
  MasterData1.Visible := (<Line#> mod 2 = 0) or not (<DaneOrvena."kwota"> > Prog);
end;
function Silnia(n: Integer): Integer;
begin
  if n <= 1 then Result := 1 else Result := n * Silnia(n - 1);
end;
begin
  { block comment } (* other *) // line
  case Licznik of 1, 2..5: Suma := 1.5e3; else Suma := 'a'#13#10'b' end;
  for Licznik := 10 downto 1 do try Inc(Licznik) except Exit end;
  with Memo1 do Text := FormatFloat('#,##0.00', SUM(<DaneOrvena."kwota">, MasterData1));
  repeat Suma := Suma - 1 until Suma < 0;
  while True do break;
end.
