#!/usr/bin/env bash
# Whole-process benchmark: `orvena --render --format pdf` of a one-band, five-column template
# (bench/fixtures/table5.orp) over ROWS rows (default 100,000), beside Python's reportlab writing
# the same rows as a platypus table with an embedded DejaVu font over PEER_ROWS rows (default
# 10,000; reportlab is far slower). Prints wall time, CPU time (user + system), rows/s by wall
# time and peak memory (GNU time) of each, best of RUNS (default 1), and the per-row speed ratio;
# checks that both files have every row. On a shared machine the CPU time is the steadier figure.
# Usage: bench/pdf_bench.sh [ORVENA_BINARY] (default build/src/app/orvena).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-1}
rows=${ROWS:-100000}
peer_rows=${PEER_ROWS:-10000}
w=$(mktemp -d /tmp/orvena-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT
. bench/bench_home.sh
sales_home "$w/home" "$rows"
query="select id, klient, miasto, kwota, data from sprzedaz order by id"

measure() {  # label rows command...
  local label=$1 n=$2
  shift 2
  local best="" best_mem="" best_cpu=""
  for _ in $(seq 1 "$runs"); do
    /usr/bin/time -f "%e %M %U %S" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r secs kb user sys < "$w/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($secs < $best)}"; then
      best=$secs
      best_mem=$kb
      best_cpu=$(awk "BEGIN{ printf \"%.2f\", $user + $sys }")
    fi
  done
  local rate
  rate=$(awk "BEGIN{ if ($best > 0) printf \"%d\", $n / $best; else print \"inf\" }")
  printf '%-10s %8d rows %7.2f s (CPU %6.2f s)  %8s rows/s  peak %6d MiB\n' >&2 "$label" "$n" "$best" "$best_cpu" \
    "$rate" $((best_mem / 1024))
  echo "$rate"
}

# Every row's id on its own line of the extracted text: nothing lost, words whole.
check_rows() {  # file rows
  local found
  found=$(pdftotext -layout "$1" - | grep -cE '^ *[0-9]+ +Klient [0-9]+ ' || true)
  [ "$found" -eq "$2" ] || { echo "$1: $found of $2 rows in the text" >&2; exit 1; }
}

echo "orvena: $rows rows; reportlab: $peer_rows rows; best of $runs runs"
r_orvena=$(measure orvena "$rows" "$bin" --render bench/fixtures/table5.orp --sql "$query" --home "$w/home" \
  --format pdf --out "$w/orvena.pdf")
check_rows "$w/orvena.pdf" "$rows"
r_peer=$(measure reportlab "$peer_rows" /usr/bin/python3 bench/pdf_table_reportlab.py "$w/home/Dane/bench.db" \
  "$query limit $peer_rows" "$w/reportlab.pdf")
check_rows "$w/reportlab.pdf" "$peer_rows"
awk "BEGIN{ printf \"rows/s orvena / reportlab: %.1f\n\", $r_orvena / $r_peer }"
