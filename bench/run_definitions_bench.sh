#!/usr/bin/env bash
# Whole-process benchmark: `orvena --run` on 1,000 and on 5,000 small definitions to "csv"
# (empty results, no delivery), to show that a run's cost grows linearly with its control file
# (the log is saved after every job). Then a 63 MB control file of bare newlines, to show that
# reading it costs memory in proportion to its size.
# Usage: bench/run_definitions_bench.sh [ORVENA_BINARY] (default build/src/app/orvena); prints
# wall, user and system time and peak memory (GNU time) of each, best of RUNS (default 3) by
# user time, and the ratios. The user-time ratio must stay at most 5 (exit status 1 otherwise):
# it is the program's own work, which is what a quadratic log save made grow; on a shared
# machine wall time and the system time of creating 5,000 files mostly measure the neighbours.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/src/app/orvena}")
runs=${RUNS:-3}
w=$(mktemp -d /tmp/orvena-bench.XXXXXX)
trap 'rm -rf "$w"' EXIT

make_home() {  # folder definitions
  local home=$1 count=$2
  mkdir -p "$home/Dane/Szablony" "$home/Logi" "$home/Tymczasowe"
  sqlite3 "$home/Dane/bench.db" "create table pusta (id integer, nazwa varchar(20), kwota decimal(10,2));"
  printf '[db_driver]=sqlite\r\n[db]=Dane/bench.db\r\n' > "$home/Dane/konfiguracja.txt"
  awk -v n="$count" 'BEGIN {
    printf "// benchmark\r\n"  # the runner never reads the first line
    for (i = 1; i <= n; i++) {
      printf "[raport_start]\r\n[raport]=raport %d\r\n[dni_raportu]=1111111\r\n", i
      printf "[zapytanie_start]\r\nselect id, nazwa, kwota from pusta\r\n[zapytanie_end]\r\n"
      printf "[wyslij_jesli_pusty]=tak\r\n[nazwa_pliku]=raport_%d.csv\r\n[format_pliku]=csv\r\n", i
      printf "[wyslij_na]=\r\n[raport_end]\r\n"
    }
  }' > "$home/Dane/sterowanie.txt"
}

measure() {  # label home -> prints "wall user sys kib" of the run with the least user time
  local label=$1 home=$2 best="" line=""
  for _ in $(seq 1 "$runs"); do
    rm -f "$home"/Logi/* "$home"/Tymczasowe/*
    /usr/bin/time -f "%e %U %S %M" -o "$w/time.txt" "$bin" --run --home "$home" >/dev/null 2>"$w/err.txt" ||
      { echo "$label failed:" >&2; cat "$w/err.txt" >&2; exit 1; }
    read -r wall user sys kb < "$w/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($user < $best)}"; then best=$user; line="$wall $user $sys $kb"; fi
  done
  read -r wall user sys kb <<< "$line"
  printf '%-28s %7.2f s wall  %6.2f s user  %6.2f s sys  peak %5d MiB\n' "$label" "$wall" "$user" "$sys" \
    $((kb / 1024)) >&2
  echo "$line"
}

make_home "$w/small" 1000
make_home "$w/large" 5000
echo "best of $runs runs" >&2
read -r w_small u_small _ _ < <(measure "1,000 definitions" "$w/small")
read -r w_large u_large _ _ < <(measure "5,000 definitions" "$w/large")
[ "$(ls "$w/large/Tymczasowe" | wc -l)" -eq 5000 ] || { echo "not every report was written" >&2; exit 1; }
ratio=$(awk "BEGIN{ printf \"%.2f\", $u_large / ($u_small > 0 ? $u_small : 0.01) }")
wall_ratio=$(awk "BEGIN{ printf \"%.2f\", $w_large / ($w_small > 0 ? $w_small : 0.01) }")
echo "ratio 5,000/1,000: $ratio user, $wall_ratio wall (linear is 5)" >&2

# 63 MB of bare newlines: once cost 2.2 GB as one string per line.
mkdir -p "$w/newlines/Dane" "$w/newlines/Logi" "$w/newlines/Tymczasowe"
head -c $((63 * 1024 * 1024)) /dev/zero | tr '\0' '\n' > "$w/newlines/Dane/sterowanie.txt"
cp "$w/small/Dane/konfiguracja.txt" "$w/small/Dane/bench.db" "$w/newlines/Dane/"
measure "63 MB of newlines (memory)" "$w/newlines" >/dev/null

awk "BEGIN{ exit !($ratio <= 5) }" || { echo "not linear: the 5,000 run took more than 5 times as long" >&2; exit 1; }
