#!/usr/bin/env bash
# Whole-process benchmark of the table-like writers: `orvena --render` of a one-band, five-column
# template over ROWS rows (default 100,000) to "word" and to "html", beside two Python scripts in
# Debian's Python: python-docx building the same table of DOCX_ROWS rows (default 10,000: it is
# slow), and a plain standard-library HTML table of ROWS rows from the same query.
# Usage: bench/docx_html_bench.sh [ORVENA_BINARY] (default build/src/app/orvena); prints wall
# time, user CPU time, rows/s and peak memory (GNU time) of each, best of RUNS (default 3), and the
# per-row ratios by wall time and, steadier on a shared machine, by user CPU time.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-3}
rows=${ROWS:-100000}
docx_rows=${DOCX_ROWS:-10000}
w=$(mktemp -d /tmp/orvena-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT
. bench/bench_home.sh
sales_home "$w/home" "$rows"
query="select id, klient, miasto, kwota, data from sprzedaz"

memo() {  # name left width field
  printf '      <TrpMemoView Name="%s" Left="%s" Top="0" Width="%s" Height="18" Font.Name="Arial" Frame.Typ="15" Text="[DaneOrvena.&#34;%s&#34;]"/>\n' "$@"
}
{
  echo '<?xml version="1.0" encoding="utf-8" standalone="no"?>'
  echo '<TrpReport Version="2.4.0"><Datasets><item DataSetName="DaneOrvena"/></Datasets>'
  echo '  <TrpReportPage Name="Page1" PaperWidth="210" PaperHeight="297" PaperSize="9" LeftMargin="10" RightMargin="10" TopMargin="10" BottomMargin="10">'
  echo '    <TrpMasterData Name="MasterData1" Height="18" Left="0" Top="20" Width="718" DataSetName="DaneOrvena" RowCount="0">'
  memo Id 0 80 id
  memo Klient 80 200 klient
  memo Miasto 280 150 miasto
  memo Kwota 430 140 kwota
  memo Data 570 148 data
  echo '    </TrpMasterData>'
  echo '  </TrpReportPage>'
  echo '</TrpReport>'
} > "$w/home/Dane/Szablony/bench.orp"

cat > "$w/build_docx.py" <<'PY'
import sqlite3, sys, docx
rows = sqlite3.connect(sys.argv[1]).execute(sys.argv[2] + " limit " + sys.argv[3]).fetchall()
d = docx.Document()
# The table made whole, then its cells listed once and filled: python-docx's row.cells and
# add_row walk the whole table each time, which makes a row cost time in the rows before it.
t = d.add_table(rows=len(rows), cols=5)
cells = t._cells
for i, r in enumerate(rows):
    for j, v in enumerate(r):
        cells[i * 5 + j].text = str(v)
d.save(sys.argv[4])
PY
cat > "$w/build_html.py" <<'PY'
import html, sqlite3, sys
with open(sys.argv[3], "w", encoding="utf-8") as out:
    out.write("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title></head><body><table>\n")
    for r in sqlite3.connect(sys.argv[1]).execute(sys.argv[2]):
        out.write("<tr>" + "".join("<td>" + html.escape(str(v)) + "</td>" for v in r) + "</tr>\n")
    out.write("</table></body></html>\n")
PY

measure() {  # label rows command...; prints the seconds a row, by wall and by user CPU
  local label=$1 n=$2
  shift 2
  local best="" best_mem="" best_user=""
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f "%e %M %U" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r secs kb user < "$w/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then best=$secs; best_mem=$kb; fi
    if [ -z "$best_user" ] || awk "BEGIN{exit !($user < $best_user)}"; then best_user=$user; fi
  done
  local rate
  rate=$(awk "BEGIN{ if ($best > 0) printf \"%d\", $n / $best; else print \"inf\" }")
  printf '%-12s %7d rows %7.2f s (user %5.2f s) %9s rows/s  peak %6d MiB\n' >&2 "$label" "$n" "$best" "$best_user" "$rate" $((best_mem / 1024))
  awk "BEGIN{ printf \"%.9f %.9f\", $best / $n, ($best_user > 0 ? $best_user : 0.01) / $n }"
}

echo "rows: $rows (python-docx: $docx_rows), best of $runs runs"
render=("$bin" --render "$w/home/Dane/Szablony/bench.orp" --sql "$query" --home "$w/home")
word=$(measure orvena-word "$rows" "${render[@]}" --format word --out "$w/home/Tymczasowe/bench.docx")
html=$(measure orvena-html "$rows" "${render[@]}" --format html --out "$w/home/Tymczasowe/bench.html")
pydocx=$(measure python-docx "$docx_rows" /usr/bin/python3 "$w/build_docx.py" "$w/home/Dane/bench.db" "$query" "$docx_rows" "$w/py.docx")
pyhtml=$(measure python-html "$rows" /usr/bin/python3 "$w/build_html.py" "$w/home/Dane/bench.db" "$query" "$w/py.html")
ratios() {  # which: 1 wall, 2 user CPU
  local f=$1
  local wo ht pd ph
  wo=$(echo "$word" | cut -d' ' -f"$f"); ht=$(echo "$html" | cut -d' ' -f"$f")
  pd=$(echo "$pydocx" | cut -d' ' -f"$f"); ph=$(echo "$pyhtml" | cut -d' ' -f"$f")
  awk "BEGIN{
    printf \"per row: python-docx / orvena-word %.1fx faster (goal >= 10)\n\", $pd / $wo;
    printf \"per row: python-docx / orvena-html %.1fx faster (goal >= 10)\n\", $pd / $ht;
    printf \"per row: orvena-html / python-html %.2fx (goal <= 3)\n\", $ht / $ph }"
}
echo "by wall time:"
ratios 1
echo "by user CPU time:"
ratios 2
