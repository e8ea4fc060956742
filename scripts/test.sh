#!/usr/bin/env bash
# Installs what is needed, builds, starts the test servers and runs every test:
#   1. the normal build: unit, integration (real PostgreSQL/ODBC, SMTP, FTP) and GUI tests;
#   2. an AddressSanitizer + UndefinedBehaviorSanitizer build: unit tests;
#   3. the Debian package of the normal build: built, installed, its demo run, its units and
#      lintian checked, then removed again;
#   4. a libFuzzer build (clang): each fuzz target runs for a short while on its corpus.
# It first checks the formatting of the sources, and the normal build treats warnings in our own
# code as errors, so that a change cannot quietly add either.
# Set SKIP_INSTALL=1 to skip installing what the tests need, SKIP_PACKAGE=1 / SKIP_SANITIZE=1 /
# SKIP_FUZZ=1 to skip those steps.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}

# The closing line is printed however the script ends: the tests counted so far, and a step that
# stopped the script (a build, a server start) as one failure.
PASSED=0
FAILED=0
finish() {
  local status=$?
  [ -z "${SERVERS_STARTED:-}" ] || orvena_servers_stop || true
  [ "$status" -ne 0 ] && [ "$FAILED" -eq 0 ] && FAILED=1
  echo "tests: $PASSED passed, $FAILED failed"
  [ "$FAILED" -eq 0 ] || exit 1
}
trap finish EXIT

[ -n "${SKIP_INSTALL:-}" ] || bash scripts/install-test-deps.sh

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
orvena_servers_start
SERVERS_STARTED=1
export ORVENA_REQUIRE_SERVERS=1

# Adds a ctest run to the counts from its summary line ("… tests passed, F tests failed out of
# T"); a run that printed none failed as a whole.
count_ctest() {
  local summary
  summary=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\1 \2/p' "$1" | tail -1)
  if [ -z "$summary" ]; then FAILED=$((FAILED + 1)); return; fi
  set -- $summary
  PASSED=$((PASSED + $2 - $1))
  FAILED=$((FAILED + $1))
}
LOGS=$(mktemp -d /tmp/orvena-test-logs.XXXXXX)

echo "== tests"
ctest --test-dir build --output-on-failure -j "$JOBS" --timeout 300 | tee "$LOGS/main.txt" || true
count_ctest "$LOGS/main.txt"

if [ -z "${SKIP_PACKAGE:-}" ]; then
  echo "== Debian package"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  # Each check counts as a test; its output is in the logs folder.
  package_check() {
    local name=$1
    shift
    if "$@" >"$LOGS/package-$name.txt" 2>&1; then
      echo "package $name: passed"
      PASSED=$((PASSED + 1))
    else
      echo "package $name: FAILED (output in $LOGS/package-$name.txt)"
      FAILED=$((FAILED + 1))
    fi
  }
  rm -f build/orvena_*.deb
  package_check build cmake --build build --target package
  deb=$(ls "$ROOT"/build/orvena_*.deb 2>/dev/null | head -1 || true)
  package_check install $SUDO apt-get install -y -qq "${deb:-/missing-package.deb}"
  package_check version /usr/bin/orvena --version
  demo=$(mktemp -d)
  package_check demo bash -c "cp -r /usr/share/doc/orvena/examples/demo '$demo'/ && /usr/bin/orvena --run --home '$demo/demo'"
  package_check units systemd-analyze verify /usr/lib/systemd/system/orvena@srv-orvena.service \
    /usr/lib/systemd/system/orvena@srv-orvena.timer
  # Errors fail the check (lintian's own exit status); warnings are listed in its output.
  package_check lintian lintian "${deb:-/missing-package.deb}"
  $SUDO apt-get remove -y -qq orvena >/dev/null 2>&1 || true
  rm -rf "$demo"
fi

if [ -z "${SKIP_SANITIZE:-}" ]; then
  echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVENA_SANITIZE=ON -DORVENA_GUI=OFF \
        -DORVENA_BENCH=OFF >/dev/null
  cmake --build build-asan -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS" -L unit --timeout 600 | tee "$LOGS/asan.txt" || true
  count_ctest "$LOGS/asan.txt"
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
    # Each target's run count and result, whatever notes (the leak checker's) follow them.
    status=0
    "$fuzzer" -max_total_time="${FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 "$work" >"$LOGS/$name.txt" 2>&1 ||
      status=$?
    grep -E 'Done [0-9]+ runs|ERROR|SUMMARY|Test unit written' "$LOGS/$name.txt" | tail -6 || true
    if [ "$status" -eq 0 ]; then
      echo "$name: passed"
      PASSED=$((PASSED + 1))
    else
      echo "$name: FAILED (exit status $status, output in $LOGS/$name.txt)"
      FAILED=$((FAILED + 1))
    fi
    rm -rf "$work"
  done
fi
