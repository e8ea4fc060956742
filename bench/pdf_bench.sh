#!/usr/bin/env bash
# Whole-process benchmark: `orvena --render --format pdf` of a one-band, five-column template
# (bench/fixtures/table5.orp) over ROWS rows (default 100,000), beside Python's reportlab writing
# the same rows as a platypus table with an embedded DejaVu font over PEER_ROWS rows (default
# 10,000; reportlab is far slower). Prints wall time, CPU time (user + system), rows/s by wall
# time and peak memory (GNU time) of each, best of RUNS (default 1), and the per-row speed ratio;
# checks that both files have every row. On a shared machine the CPU time is the steadier figure.
# Then the peak memory of BIG_ROWS rows (default 1,000,000; 0 skips it) to "pdf" against the
# "csv" run of the same query: pages are written as they end, so the PDF should stay within
# 64 MiB of the CSV.
# Usage: bench/pdf_bench.sh [ORVENA_BINARY] (default build/src/app/orvena).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-1}
rows=${ROWS:-100000}
peer_rows=${PEER_ROWS:-10000}
big_rows=${BIG_ROWS:-1000000}
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

if [ "$big_rows" -gt 0 ]; then
  sales_home "$w/big" "$big_rows"
  printf '// benchmark\r\n[raport_start]\r\n[raport]=bench\r\n[dni_raportu]=1111111\r\n[zapytanie_start]\r\n%s\r\n[zapytanie_end]\r\n[nazwa_pliku]=bench.csv\r\n[format_pliku]=csv\r\n[raport_end]\r\n' "$query" \
    > "$w/big/Dane/sterowanie.txt"
  echo "rows: $big_rows, peak memory"
  runs=1
  peak() {  # label command... ; prints the peak in KiB
    local label=$1
    shift
    /usr/bin/time -f "%e %M %U %S" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt" || { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r secs kb user sys < "$w/time.txt"
    printf '%-22s %8.2f s wall %8.2f s cpu  peak %6d MiB\n' >&2 "$label" "$secs" "$(awk "BEGIN{print $user + $sys}")" $((kb / 1024))
    echo "$kb"
  }
  m_pdf=$(peak "orvena --render pdf" "$bin" --render bench/fixtures/table5.orp --sql "$query" --home "$w/big" \
    --format pdf --out "$w/big/Tymczasowe/big.pdf")
  check_rows "$w/big/Tymczasowe/big.pdf" "$big_rows"
  rm -f "$w/big/Tymczasowe/big.pdf"
  m_csv=$(peak "orvena --run csv" "$bin" --run --home "$w/big")
  echo "pdf peak - csv peak: $(( (m_pdf - m_csv) / 1024 )) MiB (goal <= 64)"
fi
