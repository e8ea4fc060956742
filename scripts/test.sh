#!/usr/bin/env bash
# Installs what is needed, builds, starts the test servers and runs every test:
#   1. the normal build: unit, integration (real PostgreSQL/ODBC, SMTP, FTP) and GUI tests;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build: unit tests;
#   3. a libFuzzer build (clang): each fuzz target runs for a short while on its corpus.
# It first checks the formatting of the sources, and the normal build treats warnings in our own
# code as errors, so that a change cannot quietly add either.
# Set SKIP_INSTALL=1 to skip the package step, SKIP_SANITIZE=1 / SKIP_FUZZ=1 to skip the others.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

[ -n "${SKIP_INSTALL:-}" ] || bash scripts/install-deps.sh

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d /tmp/orvena-xdg.XXXXXX)}
chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

echo "== format"
# FORMAT_BASE=<commit> checks only what changed since it; by default every source.
bash scripts/check-format.sh

echo "== build (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENA_GUI=ON -DORVENA_TESTS=ON \
      -DORVENA_BENCH=ON -DORVENA_WERROR=ON >/dev/null
cmake --build build -j "$JOBS"

source scripts/test-servers.sh
trap orvena_servers_stop EXIT
orvena_servers_start
export ORVENA_REQUIRE_SERVERS=1

# Counts the tests a ctest run passed, from its summary line.
passed_in() { sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$1" | tail -1; }
TOTAL=0
LOGS=$(mktemp -d /tmp/orvena-test-logs.XXXXXX)

echo "== tests"
ctest --test-dir build --output-on-failure -j "$JOBS" --timeout 300 | tee "$LOGS/main.txt"
TOTAL=$((TOTAL + $(passed_in "$LOGS/main.txt")))

if [ -z "${SKIP_SANITIZE:-}" ]; then
  echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVENA_SANITIZE=ON -DORVENA_GUI=OFF \
        -DORVENA_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS" -L unit --timeout 600 | tee "$LOGS/asan.txt"
  TOTAL=$((TOTAL + $(passed_in "$LOGS/asan.txt")))
fi

if [ -z "${SKIP_FUZZ:-}" ]; then
  echo "== fuzz targets"
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DORVENA_FUZZ=ON -DORVENA_GUI=OFF -DORVENA_TESTS=OFF -DORVENA_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$JOBS"
  for fuzzer in build-fuzz/fuzz/*_fuzz; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    corpus="$ROOT/fuzz/corpus/${name%_fuzz}"
    work=$(mktemp -d); [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
    echo "-- $name"
    "$fuzzer" -max_total_time="${FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 "$work" 2>&1 | tail -2
    rm -rf "$work"
  done
fi
echo "tests: $TOTAL passed, 0 failed"
