#!/usr/bin/env bash
# Builds the fuzz targets as the README says (clang, folder build-fuzz/) and
# runs each for ZARVON_FUZZ_SECONDS (60) on its seed corpus
# fuzz/corpus/<target>/. An input that crashes a target is kept in that folder
# (crash-*, leak-*, timeout-*, oom-*) as a regression seed and the run fails;
# what the fuzzer finds otherwise goes to a temporary folder, so the committed
# corpus stays small. Arguments name targets to run (default: every target).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${ZARVON_FUZZ_SECONDS:-60}
build=${ZARVON_FUZZ_BUILD_DIR:-$top/build-fuzz}
cd "$top"
if [ ! -f "$build/build.ninja" ] && [ ! -f "$build/Makefile" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DZARVON_BUILD_FUZZ=ON -DZARVON_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
# Undefined behaviour counts as a fault, as a sanitizer error does.
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
found=$(mktemp -d "${TMPDIR:-/tmp}/zarvon-fuzz-found-XXXXXX")
trap 'rm -rf "$found"' EXIT
failed=()
for target in "${targets[@]}"; do
  corpus="fuzz/corpus/$target"
  if [ ! -d "$corpus" ] || [ -z "$(ls -A "$corpus")" ]; then
    echo "$target: no seed corpus in $corpus"
    failed+=("$target")
    continue
  fi
  mkdir -p "$found/$target"
  # Earlier crash inputs run first, as regression inputs, with the seeds.
  # The UnRAR library reserves the dictionary an archive declares, up to
  # 4 GiB, with one calloc whose pages stay untouched until data fills them:
  # a large single allocation is not a fault, the memory really used is
  # (-rss_limit_mb). The seed oom-a2b8… is such an archive.
  if "$build/bin/$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -malloc_limit_mb=8192 \
       -artifact_prefix="$corpus/" -print_final_stats=1 "$found/$target" "$corpus" \
       >"$found/$target.log" 2>&1; then
    echo "$target: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$found/$target.log" | grep -o '[0-9]*$') runs in ${seconds} s, no fault"
  else
    echo "$target: FAULT (input kept in $corpus/)"
    grep -E '^==[0-9]+==ERROR|SUMMARY|runtime error|deadly signal|Test unit written' "$found/$target.log" | head -n 20 || true
    failed+=("$target")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
