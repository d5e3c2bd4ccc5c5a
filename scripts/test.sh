#!/usr/bin/env bash
# Builds Loamrun twice (optimised, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds.
# Tests that need a display run under xvfb-run when there is none.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

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
run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DLR_SANITIZE=ON
