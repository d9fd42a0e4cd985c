#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (plus address and undefined
# behaviour sanitizers) into build-fuzz/ and runs each for a bounded time.
# Inputs that reach new code are merged into fuzz/corpus/<target>/, which the
# ordinary test run replays.
#   bash fuzz/run.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(number frame aed settings int16)

bash scripts/setup.sh
command -v clang++ >/dev/null || apt-get install -y -q --no-install-recommends clang libclang-rt-dev

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVELTAR_FUZZ=ON \
  -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS="$flags" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target $(printf 'fuzz-%s ' "${targets[@]}")

status=0
for t in "${targets[@]}"; do
  found="build-fuzz/found-$t"
  mkdir -p "$found"
  log="build-fuzz/fuzz-$t.log"
  echo "== fuzz-$t for ${seconds}s"
  if build-fuzz/fuzz/fuzz-"$t" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
      -artifact_prefix="build-fuzz/crash-$t-" -print_final_stats=1 "$found" "fuzz/corpus/$t" >"$log" 2>&1; then
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
  else
    echo "fuzz-$t FOUND A CRASH; see $log and build-fuzz/crash-$t-*"
    tail -n 30 "$log"
    status=1
  fi
  # Keep only inputs that add coverage to the saved corpus.
  build-fuzz/fuzz/fuzz-"$t" -merge=1 "fuzz/corpus/$t" "$found" >/dev/null 2>&1 || true
done
exit $status
