#!/usr/bin/env bash
# Fuzzes the parsers of the game's files and the program's own files:
#
#   tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]
#   tools/fuzz.sh --campaign [TARGET...]
#
# Builds the fuzzers of tests/fuzz with clang's libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer into build-fuzz/, writes seed inputs cut
# from the game generator's files and the program's encoders, then runs the
# targets one after another (all of them when none is named), each for
# SECONDS_PER_TARGET seconds (default 120); a campaign runs each until it
# has executed 10 million inputs or for 30 minutes, whichever comes first
# (VARNISK_FUZZ_RUNS and VARNISK_FUZZ_SECONDS change those). Every crash, leak, timeout or
# out-of-memory input found is copied into tests/fuzz/regressions/<target>/,
# where ./test replays it. The corpus each fuzzer grows is kept in
# build-fuzz/corpus/<target>/ for the next run; the fuzzers' output is in
# build-fuzz/logs/. The summary gives each target's executions, seconds,
# corpus size and findings. Exits with 1 when anything was found.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: tools/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]" >&2
  echo "       tools/fuzz.sh --campaign [TARGET...]" >&2
  exit 2
}
number() { [[ $1 =~ ^[0-9]+$ ]] && [ "$1" -gt 0 ]; }
if [ "${1:-}" = --campaign ]; then
  shift
  runs=${VARNISK_FUZZ_RUNS:-10000000}
  seconds=${VARNISK_FUZZ_SECONDS:-1800}
  number "$runs" || usage
  mode="campaign: up to $runs executions or ${seconds}s per target"
else
  seconds=${1:-120}
  shift $(($# > 0 ? 1 : 0))
  runs=-1
  mode="${seconds}s per target"
fi
number "$seconds" || usage

source tools/fuzz-targets.sh "$@"

# The fuzzers need clang and its runtime of libFuzzer and the sanitizers.
varnisk_extra_packages=(clang libclang-rt-14-dev)
source tools/install-deps.sh

build=build-fuzz
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVARNISK_FUZZ=ON \
  -DVARNISK_WITH_WINDOW=OFF -DVARNISK_WITH_TESTS=OFF -DVARNISK_WITH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target varnisk-fuzz-seeds $(printf 'fuzz_%s ' "${targets[@]}")

rm -rf "$build/seeds"
"$build/tests/fuzz/varnisk-fuzz-seeds" "$build/seeds"

# The longest input each target takes: a little more than its largest seed.
max_len() {
  case $1 in
    savedstate) echo 102400 ;;  # a whole f1gstate.sav: the brand codes lie 96932 bytes in
    shape) echo 81920 ;;  # the generated team cars run to 80 KB
    archive) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
summary=()
found=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  artifacts=$build/artifacts/$t
  log=$build/logs/$t.log
  mkdir -p "$corpus" "$artifacts" "$build/logs" "tests/fuzz/regressions/$t"
  echo "== fuzz_$t ($mode)"
  status=0
  started=$(date +%s)
  "$build/tests/fuzz/fuzz_$t" "$corpus" "$build/seeds/$t" "tests/fuzz/seeds/$t" "tests/fuzz/regressions/$t" \
    -runs="$runs" -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 \
    -malloc_limit_mb=256 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?
  took=$(($(date +%s) - started))
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  size=$(find "$corpus" -type f | wc -l)
  kept=()
  for f in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-* "$artifacts"/slow-unit-*; do
    [ -e "$f" ] || continue
    cp "$f" "tests/fuzz/regressions/$t/"
    kept+=("tests/fuzz/regressions/$t/$(basename "$f")")
    rm "$f"
  done
  if [ ${#kept[@]} -gt 0 ] || [ "$status" -ne 0 ]; then
    found=1
    result="FOUND (exit $status): ${kept[*]:-see $log}"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|.*runtime error|fuzz target)' "$log" | head -5 || true
  else
    result="nothing found"
  fi
  summary+=("$(printf '%-11s %12s executions  %6ss  %6s corpus files  %s' "$t" "${execs:-?}" "$took" "$size" "$result")")
done

echo
echo "Fuzzing summary ($mode; logs in $build/logs/):"
printf '  %s\n' "${summary[@]}"
exit $found
