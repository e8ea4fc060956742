#!/usr/bin/env bash
# Whole-process benchmark: `orvena --run` on one definition whose query returns 1,000,000 rows
# to "csv", side by side with `sqlite3 -csv` writing the same query to a file.
# Usage: bench/run_csv_bench.sh [ORVENA_BINARY] (default build/src/app/orvena); prints wall time,
# rows/s and peak memory (GNU time) of each, best of RUNS (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-3}
rows=${ROWS:-1000000}
w=$(mktemp -d /tmp/orvena-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT
. bench/bench_home.sh
sales_home "$w/home" "$rows"
query="select id, klient, miasto, kwota, data from sprzedaz"
printf '[raport_start]\r\n[raport]=bench\r\n[dni_raportu]=1111111\r\n[zapytanie_start]\r\n%s\r\n[zapytanie_end]\r\n[nazwa_pliku]=bench.csv\r\n[format_pliku]=csv\r\n[raport_end]\r\n' "$query" \
  > "$w/home/Dane/sterowanie.txt"
# The runner never reads the control file's first line.
sed -i '1i // benchmark' "$w/home/Dane/sterowanie.txt"

measure() {  # label command...
  local label=$1
  shift
  local best=""
  local best_mem=""
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f "%e %M" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r secs kb < "$w/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then best=$secs; best_mem=$kb; fi
  done
  local rate
  rate=$(awk "BEGIN{ if ($best > 0) printf \"%d\", $rows / $best; else print \"inf\" }")
  printf '%-10s %7.2f s  %10s rows/s  peak %6d MiB\n' >&2 "$label" "$best" "$rate" $((best_mem / 1024))
  echo "$best"
}

echo "rows: $rows, best of $runs runs"
t_orvena=$(measure orvena "$bin" --run --home "$w/home")
[ -s "$w/home/Tymczasowe/bench.csv" ] || { echo "orvena wrote no CSV file" >&2; exit 1; }
t_sqlite=$(measure sqlite3 sqlite3 -csv -header "$w/home/Dane/bench.db" "$query")
awk "BEGIN{ printf \"ratio orvena/sqlite3: %.2f\n\", $t_orvena / $t_sqlite }"
