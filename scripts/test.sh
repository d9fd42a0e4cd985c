#!/usr/bin/env bash
# Sets up, builds and runs every test; exits non-zero on any failure.
#   bash scripts/test.sh              the plain build in build/
#   bash scripts/test.sh --sanitize   the whole suite under ASan and UBSan, in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh "$@"
dir=build
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
fi
# Widget tests draw off screen; no display is needed.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$dir" --output-on-failure -j "$(nproc)"
