#!/usr/bin/env bash
# Builds the tag library and its tests with AddressSanitizer and
# UndefinedBehaviorSanitizer (clang), runs the tests, then runs every fuzz
# target for SECONDS (default 60) seeded with the sample songs and the saved
# regression inputs. Fails on any test failure or fuzzer finding; findings
# are kept under build-sanitize/findings/.
#   scripts/check-sanitized.sh [SECONDS]
set -euo pipefail
seconds=${1:-60}
top=$(cd "$(dirname "$0")/.." && pwd)
build=$top/build-sanitize

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONGHAUL_TAGS_ONLY=ON -DSONGHAUL_FUZZ=ON >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure

mkdir -p "$build/findings"
for fuzzer in "$build"/fuzz/*_fuzz; do
  name=$(basename "$fuzzer")
  corpus=$build/corpus/$name
  mkdir -p "$corpus"
  echo "fuzzing with $name for $seconds s"
  # One second at most per input, and no allocation beyond 64 MB: the
  # inputs are at most 1 MB long.
  "$fuzzer" -max_total_time="$seconds" -timeout=1 -malloc_limit_mb=64 -rss_limit_mb=1024 \
    -max_len=1048576 -print_final_stats=1 -artifact_prefix="$build/findings/$name-" \
    "$corpus" "$top/tests/data" "$top/fuzz/regressions" 2>"$build/$name.log" ||
    { tail -n 60 "$build/$name.log"; exit 1; }
  grep -E '^stat::(number_of_executed_units|new_units_added)' "$build/$name.log" || true
done
