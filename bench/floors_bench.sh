#!/usr/bin/env bash
# Whole-process benchmarks beside the C floors, in one run. Each pair is measured alternately,
# best of RUNS (default 3) by processor time (user + system, the steadier figure on a shared
# machine), with wall time and peak memory (GNU time):
#   "csv"   ROWS rows (default 1,000,000) by `orvena --run` beside `sqlite3 -csv` (goal <= 1.1x);
#   "pdf"   TABLE_ROWS rows (default 100,000) of bench/fixtures/table5.orp by `orvena --render`
#           beside bench/pdf_libharu.c (Flate, the same embedded font): CPU (goal <= 1.5x) and
#           file size (goal <= 2x);
#   "excel" TABLE_ROWS rows beside bench/xlsx_libxlsxwriter.c in constant-memory mode (goal <= 1.5x).
# Then, once each, the peak memory at every count of BIG_ROWS (default "1000000"; add 10000000 for
# the long run) of "csv" (goal <= 32 MiB) and of "pdf", "excel", "word", "html" and "tiff" through
# the same template (goal <= 96 MiB); FORMATS narrows the list. "tiff" stops at TIFF_ROWS rows
# (default 20,000): its pages are bitmaps of about 2.6 MB each, 47 GB at a million rows.
# PAIRS=0 skips the side-by-side part.
# Usage: bench/floors_bench.sh [ORVENA_BINARY] [PDF_LIBHARU_BINARY]
#        (defaults build/src/app/orvena and build/bench/pdf_libharu).
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
haru=$(realpath "${2:-build/bench/pdf_libharu}")
runs=${RUNS:-3}
rows=${ROWS:-1000000}
table_rows=${TABLE_ROWS:-100000}
big_rows=${BIG_ROWS:-1000000}
formats=${FORMATS-pdf excel word html tiff}  # FORMATS="" measures "csv" alone
pairs=${PAIRS:-1}
tiff_rows=${TIFF_ROWS:-20000}
w=$(mktemp -d /tmp/orvena-floors.XXXXXX)
trap 'rm -rf "$w"' EXIT
. bench/bench_home.sh
template=$(realpath bench/fixtures/table5.orp)
query="select id, klient, miasto, kwota, data from sprzedaz order by id"

# The "csv" definition of the query in the home's control file.
csv_definition() {  # home
  printf '// benchmark\r\n[raport_start]\r\n[raport]=bench\r\n[dni_raportu]=1111111\r\n[zapytanie_start]\r\n%s\r\n[zapytanie_end]\r\n[nazwa_pliku]=bench.csv\r\n[format_pliku]=csv\r\n[raport_end]\r\n' \
    "$query" > "$1/Dane/sterowanie.txt"
}

# One run: sets cpu (s), wall (s) and kib (peak) of the command; a failure ends the benchmark
# unless KEEP_GOING is set, when it is reported and `failed` set.
run_once() {  # label command...
  local label=$1
  shift
  failed=""
  if ! /usr/bin/time -f "%e %U %S %M" -o "$w/time.txt" "$@" >/dev/null 2>"$w/err.txt"; then
    echo "  $label failed: $(tail -1 "$w/err.txt")" >&2
    [ -n "${KEEP_GOING:-}" ] || exit 1
    failed=1
    return 0
  fi
  local user sys
  read -r wall user sys kib < "$w/time.txt"
  cpu=$(awk "BEGIN{printf \"%.2f\", $user + $sys}")
}

# Two commands run alternately RUNS times; prints each one's best CPU time and the ratio.
pair() {  # name goal label_a label_b -- command_a... -- command_b...
  local name=$1 goal=$2 la=$3 lb=$4
  shift 4
  [ "$1" = "--" ] && shift
  local a=() b=()
  while [ "$1" != "--" ]; do a+=("$1"); shift; done
  shift
  b=("$@")
  local best_a="" best_b="" mem_a=0 mem_b=0 wall_a=0 wall_b=0
  for _ in $(seq 1 "$runs"); do
    run_once "$la" "${a[@]}"
    if [ -z "$best_a" ] || awk "BEGIN{exit !($cpu < $best_a)}"; then best_a=$cpu; wall_a=$wall; mem_a=$kib; fi
    run_once "$lb" "${b[@]}"
    if [ -z "$best_b" ] || awk "BEGIN{exit !($cpu < $best_b)}"; then best_b=$cpu; wall_b=$wall; mem_b=$kib; fi
  done
  printf '  %-24s CPU %7.2f s  wall %7.2f s  peak %5d MiB\n' "$la" "$best_a" "$wall_a" $((mem_a / 1024))
  printf '  %-24s CPU %7.2f s  wall %7.2f s  peak %5d MiB\n' "$lb" "$best_b" "$wall_b" $((mem_b / 1024))
  awk "BEGIN{ r = $best_b > 0 ? $best_a / $best_b : 0; printf \"  %s CPU ratio: %.2fx (goal <= %s)\n\", \"$name\", r, \"$goal\" }"
}

size_ratio() {  # name file_a file_b goal
  local sa sb
  sa=$(stat -c %s "$2")
  sb=$(stat -c %s "$3")
  awk "BEGIN{ printf \"  %s size: %.1f MB beside %.1f MB, %.2fx (goal <= %s)\n\", \"$1\", $sa / 1e6, $sb / 1e6, $sa / $sb, \"$4\" }"
}

echo "best of $runs runs by CPU time (user + system)"

if [ "$pairs" != 0 ]; then
echo "csv, $rows rows"
sales_home "$w/csv" "$rows"
csv_definition "$w/csv"
pair "csv" 1.1 "orvena --run csv" "sqlite3 -csv" -- "$bin" --run --home "$w/csv" -- \
  sqlite3 -csv -header "$w/csv/Dane/bench.db" "$query"
[ -s "$w/csv/Tymczasowe/bench.csv" ] || { echo "orvena wrote no CSV file" >&2; exit 1; }
rm -rf "$w/csv"

echo "pdf and excel, $table_rows rows"
sales_home "$w/table" "$table_rows"
pair "pdf" 1.5 "orvena --render pdf" "libharu (Flate)" -- \
  "$bin" --render "$template" --sql "$query" --home "$w/table" --format pdf --out "$w/orvena.pdf" -- \
  "$haru" "$w/table/Dane/bench.db" "$query" "$w/libharu.pdf"
for f in orvena libharu; do
  found=$(pdftotext -layout "$w/$f.pdf" - 2>/dev/null | grep -cE '^ *[0-9]+ +Klient [0-9]+ ' || true)
  [ "$found" -eq "$table_rows" ] || { echo "$f.pdf: $found of $table_rows rows in the text" >&2; exit 1; }
done
size_ratio "pdf" "$w/orvena.pdf" "$w/libharu.pdf" 2
cc -O2 -o "$w/xlsx_libxlsxwriter" bench/xlsx_libxlsxwriter.c $(pkg-config --cflags --libs xlsxwriter)
pair "excel" 1.5 "orvena --render excel" "libxlsxwriter" -- \
  "$bin" --render "$template" --sql "$query" --home "$w/table" --format excel --out "$w/orvena.xlsx" -- \
  "$w/xlsx_libxlsxwriter" "$w/libxlsxwriter.xlsx" "$table_rows"
rm -rf "$w/table" "$w"/*.pdf "$w"/*.xlsx
fi

for n in $big_rows; do
  echo "peak memory, $n rows"
  sales_home "$w/big" "$n"
  csv_definition "$w/big"
  run_once "csv" "$bin" --run --home "$w/big"
  printf '  %-8s %8d rows  peak %5d MiB  CPU %8.2f s (goal <= 32 MiB)\n' csv "$n" $((kib / 1024)) "$cpu"
  for format in $formats; do
    local_rows=$n
    [ "$format" = tiff ] && [ "$tiff_rows" -lt "$n" ] && local_rows=$tiff_rows
    KEEP_GOING=1 run_once "$format" "$bin" --render "$template" --sql "$query limit $local_rows" --home "$w/big" \
      --format "$format" --out "$w/big/Tymczasowe/out.$format"
    [ -z "$failed" ] || continue
    printf '  %-8s %8d rows  peak %5d MiB  CPU %8.2f s  %8.1f MB (goal <= 96 MiB)\n' "$format" "$local_rows" \
      $((kib / 1024)) "$cpu" "$(awk "BEGIN{print $(stat -c %s "$w/big/Tymczasowe/out.$format") / 1e6}")"
    rm -f "$w/big/Tymczasowe/out.$format"
  done
  rm -rf "$w/big"
done
