#!/usr/bin/env bash
# Whole-process benchmark of the XLSX export: `orvena --render` of a one-band, five-column
# template over ROWS rows (default 100,000) to "excel", side by side with libxlsxwriter
# (constant-memory mode, bench/xlsx_libxlsxwriter.c) and openpyxl's write-only mode writing the
# same rows as strings and numbers. Then the peak memory of BIG_ROWS rows (default 1,000,000)
# to "excel" against the "csv" run of the same query.
# Usage: bench/xlsx_bench.sh [ORVENA_BINARY] (default build/src/app/orvena); best of RUNS (3).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-3}
rows=${ROWS:-100000}
big_rows=${BIG_ROWS:-1000000}
w=$(mktemp -d /tmp/orvena-xlsx-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT

make_home() {  # folder rows
  local home=$1
  mkdir -p "$home/Dane/Szablony" "$home/Logi" "$home/Tymczasowe"
  sqlite3 "$home/Dane/bench.db" <<SQL
create table sprzedaz (id integer, klient varchar(40), miasto varchar(30), kwota decimal(10,2), data varchar(10));
with recursive n(i) as (select 1 union all select i + 1 from n where i < $2)
insert into sprzedaz select i, 'Klient ' || (i % 997), case i % 3 when 0 then 'Łódź' when 1 then 'Kraków' else 'Gdańsk' end,
  (i % 100000) / 100.0, printf('2024-%02d-%02d', 1 + (i % 1000) % 12, 1 + (i % 1000) % 28) from n;
SQL
  printf '[db_driver]=sqlite\r\n[db]=Dane/bench.db\r\n' > "$home/Dane/konfiguracja.txt"
  local q='&#34;'
  cat > "$home/Dane/Szablony/lista.orp" <<ORP
<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrpReport Version="2.4.0">
  <Datasets><item DataSetName="DaneOrvena"/></Datasets>
  <TrpDataPage Name="Data" Height="1000" Left="0" Top="0" Width="1000"/>
  <TrpReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">
    <TrpMasterData Name="Row" Height="18" Left="0" Top="20" Width="718" DataSetName="DaneOrvena">
      <TrpMemoView Name="Id" Left="0" Top="0" Width="80" Height="18" HAlign="haRight" Text="[DaneOrvena.${q}id${q}]"/>
      <TrpMemoView Name="Klient" Left="80" Top="0" Width="200" Height="18" Text="[DaneOrvena.${q}klient${q}]"/>
      <TrpMemoView Name="Miasto" Left="280" Top="0" Width="160" Height="18" Text="[DaneOrvena.${q}miasto${q}]"/>
      <TrpMemoView Name="Kwota" Left="440" Top="0" Width="140" Height="18" HAlign="haRight" Text="[DaneOrvena.${q}kwota${q}]"/>
      <TrpMemoView Name="Dzien" Left="580" Top="0" Width="138" Height="18" Text="[DaneOrvena.${q}data${q}]"/>
    </TrpMasterData>
  </TrpReportPage>
</TrpReport>
ORP
}
query="select id, klient, miasto, kwota, data from sprzedaz"

# On a shared machine the wall time says more about the neighbours than about the program, so
# the processor time (user + system) is reported beside it and the ratios use both.
measure() {  # label rows command... ; prints "wall_seconds cpu_seconds kilobytes" of the best run
  local label=$1 n=$2
  shift 2
  local best="" best_cpu="" best_mem=""
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f "%e %U %S %M" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r secs user sys kb < "$w/time.txt"
    cpu=$(awk "BEGIN{print $user + $sys}")
    if [ -z "$best" ] || awk "BEGIN{exit !($cpu < $best_cpu)}"; then best=$secs; best_cpu=$cpu; best_mem=$kb; fi
  done
  printf '%-22s %8.2f s wall %8.2f s cpu  peak %6d MiB\n' >&2 "$label" "$best" "$best_cpu" $((best_mem / 1024))
  echo "$best $best_cpu $best_mem"
}

cc -O2 -o "$w/xlsx_libxlsxwriter" bench/xlsx_libxlsxwriter.c $(pkg-config --cflags --libs xlsxwriter)
cat > "$w/openpyxl_write.py" <<'PY'
import sys, openpyxl
out, rows = sys.argv[1], int(sys.argv[2])
wb = openpyxl.Workbook(write_only=True)
ws = wb.create_sheet()
cities = ["Łódź", "Kraków", "Gdańsk"]
for i in range(1, rows + 1):
    d = i % 1000
    ws.append([i, "Klient %d" % (i % 997), cities[i % 3], (i % 100000) / 100.0, "2024-%02d-%02d" % (1 + d % 12, 1 + d % 28)])
wb.save(out)
PY

make_home "$w/small" "$rows"
echo "rows: $rows, best of $runs runs"
read -r t_orvena c_orvena _ < <(measure "orvena --render excel" "$rows" "$bin" --render "$w/small/Dane/Szablony/lista.orp" \
  --sql "$query" --home "$w/small" --format excel --out "$w/small/Tymczasowe/lista.xlsx")
/usr/bin/python3 - "$w/small/Tymczasowe/lista.xlsx" "$rows" <<'PY'
import sys, openpyxl
ws = openpyxl.load_workbook(sys.argv[1], read_only=True).active
n = sum(1 for r in ws.iter_rows(values_only=True) if isinstance(r[0], (int, float)))
if n != int(sys.argv[2]): sys.exit("orvena's workbook holds %d number rows, not %s" % (n, sys.argv[2]))
PY
read -r t_lxw c_lxw _ < <(measure "libxlsxwriter" "$rows" "$w/xlsx_libxlsxwriter" "$w/lxw.xlsx" "$rows")
read -r t_opx c_opx _ < <(measure "openpyxl write-only" "$rows" /usr/bin/python3 "$w/openpyxl_write.py" "$w/opx.xlsx" "$rows")
awk "BEGIN{ printf \"orvena / libxlsxwriter: %.2fx wall, %.2fx cpu (goal <= 3)\nopenpyxl / orvena:      %.2fx wall, %.2fx cpu (goal >= 3)\n\", $t_orvena / $t_lxw, $c_orvena / $c_lxw, $t_opx / $t_orvena, $c_opx / $c_orvena }"

if [ "$big_rows" -gt 0 ]; then
  make_home "$w/big" "$big_rows"
  printf '// benchmark\r\n[raport_start]\r\n[raport]=bench\r\n[dni_raportu]=1111111\r\n[zapytanie_start]\r\n%s\r\n[zapytanie_end]\r\n[nazwa_pliku]=bench.csv\r\n[format_pliku]=csv\r\n[raport_end]\r\n' "$query" \
    > "$w/big/Dane/sterowanie.txt"
  echo "rows: $big_rows, peak memory"
  runs=1
  read -r _ _ m_xlsx < <(measure "orvena --render excel" "$big_rows" "$bin" --render "$w/big/Dane/Szablony/lista.orp" \
    --sql "$query" --home "$w/big" --format excel --out "$w/big/Tymczasowe/lista.xlsx")
  read -r _ _ m_csv < <(measure "orvena --run csv" "$big_rows" "$bin" --run --home "$w/big")
  echo "excel peak - csv peak: $(( (m_xlsx - m_csv) / 1024 )) MiB (goal <= 128)"
fi
