#!/usr/bin/env bash
# Builds Loamrun twice (optimised, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds.
# Tests that need a display run under xvfb-run when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

# --fuzz: build the fuzz targets with clang and run each for a minute
# (FUZZ_SECONDS to change), instead of the test suite.
if [ "${1:-}" = "--fuzz" ]; then
  seconds=${FUZZ_SECONDS:-60}
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLR_FUZZ=ON \
    -DLR_BUILD_TESTS=OFF >/dev/null
  ninja -C build-fuzz fuzz/all
  status=0
  for target in build-fuzz/fuzz/*_fuzz; do
    echo "== $(basename "$target") for ${seconds} s"
    mkdir -p "build-fuzz/corpus/$(basename "$target")"
    "$target" -max_total_time="$seconds" -rss_limit_mb=2048 "build-fuzz/corpus/$(basename "$target")" \
      2>&1 | tail -n 3 || status=1
  done
  exit $status
fi

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  ninja -C "$dir"
  if [ -z "${DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$dir" --output-on-failure -j "$jobs"
  else
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
  fi
}

echo "== optimised build"
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo

echo "== sanitizer build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DLR_SANITIZE=ON
