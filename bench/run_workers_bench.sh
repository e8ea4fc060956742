#!/usr/bin/env bash
# Whole-process benchmark of the worker processes. First 20 definitions each rendering a PDF of
# ROWS sales rows (default 20,000; bench/fixtures/table5.orp) with `--jobs 1` and `--jobs 2`:
# wall and CPU time (user + system, the workers included) of each, best of RUNS (default 1) by
# wall time, and the wall-time ratio, whose goal on a 2-core machine is at most 0.6. Then the
# cost of a worker: EMPTY definitions (default 200) writing an empty result to "csv" with
# `--jobs 1` against `--jobs 0` (the same run in one process); the difference per report is what
# starting a worker costs, goal at most 20 ms. Exit status 1 when a report is missing.
# Usage: bench/run_workers_bench.sh [ORVENA_BINARY] (default build/src/app/orvena).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-1}
rows=${ROWS:-20000}
empty=${EMPTY:-200}
w=$(mktemp -d /tmp/orvena-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT
. bench/bench_home.sh

definitions() {  # count format query template -> control file on stdout
  awk -v n="$1" -v format="$2" -v query="$3" -v szablon="$4" 'BEGIN {
    printf "// benchmark\r\n"
    for (i = 1; i <= n; i++) {
      printf "[raport_start]\r\n[raport]=raport %d\r\n[dni_raportu]=1111111\r\n", i
      printf "[zapytanie_start]\r\n%s\r\n[zapytanie_end]\r\n[wyslij_jesli_pusty]=tak\r\n", query
      printf "[nazwa_pliku]=raport_%d.%s\r\n[szablon_raportu]=%s\r\n[format_pliku]=%s\r\n", i, format, szablon, format
      printf "[wyslij_na]=\r\n[raport_end]\r\n"
    }
  }'
}

measure() {  # label home jobs -> prints "wall cpu" of the fastest run
  local label=$1 home=$2 jobs=$3 best="" line=""
  for _ in $(seq 1 "$runs"); do
    rm -f "$home"/Logi/* "$home"/Tymczasowe/*
    /usr/bin/time -f "%e %U %S" -o "$w/time.txt" "$bin" --run --home "$home" --jobs "$jobs" >/dev/null \
      2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r wall user sys < "$w/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < $best)}"; then
      best=$wall
      line="$wall $(awk "BEGIN{ printf \"%.2f\", $user + $sys }")"
    fi
  done
  read -r wall cpu <<< "$line"
  printf '%-34s %7.2f s wall  %7.2f s CPU\n' "$label" "$wall" "$cpu" >&2
  echo "$line"
}

sales_home "$w/pdf" "$rows"
cp bench/fixtures/table5.orp "$w/pdf/Dane/Szablony/"
definitions 20 pdf "select id, klient, miasto, kwota, data from sprzedaz order by id" table5.orp \
  > "$w/pdf/Dane/sterowanie.txt"
echo "20 PDF reports of $rows rows; $(nproc) cores; best of $runs runs" >&2
read -r w1 _ < <(measure "--jobs 1" "$w/pdf" 1)
read -r w2 _ < <(measure "--jobs 2" "$w/pdf" 2)
[ "$(ls "$w/pdf/Tymczasowe"/*.pdf | wc -l)" -eq 20 ] || { echo "not every report was written" >&2; exit 1; }
awk "BEGIN{ printf \"wall --jobs 2 / --jobs 1: %.2f (goal <= 0.6)\n\", $w2 / $w1 }" >&2

sales_home "$w/empty" 1
definitions "$empty" csv "select id, klient from sprzedaz where id < 0" "" > "$w/empty/Dane/sterowanie.txt"
echo "$empty empty CSV reports" >&2
read -r e0 _ < <(measure "--jobs 0 (in one process)" "$w/empty" 0)
read -r e1 _ < <(measure "--jobs 1 (a worker each)" "$w/empty" 1)
[ "$(ls "$w/empty/Tymczasowe"/*.csv | wc -l)" -eq "$empty" ] || { echo "not every report was written" >&2; exit 1; }
awk "BEGIN{ printf \"starting a worker: %.1f ms per report (goal <= 20)\n\", ($e1 - $e0) * 1000 / $empty }" >&2
