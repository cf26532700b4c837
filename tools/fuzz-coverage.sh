#!/usr/bin/env bash
# How much of each parser the fuzzers' inputs reach:
#
#   tools/fuzz-coverage.sh [TARGET...]
#
# Builds the fuzzers of tests/fuzz with clang's source-based coverage (no
# sanitizers) into build-cov/, writes the seeds as tools/fuzz.sh does, runs
# every input each target has once (the corpus tools/fuzz.sh grew in
# build-fuzz/corpus/<target>/, the written seeds, tests/fuzz/seeds/<target>/
# and tests/fuzz/regressions/<target>/), and reports the line coverage of
# the source files of the target's parser. The lines no input reaches are
# listed in build-cov/report/<target>.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

source tools/fuzz-targets.sh "$@"

# clang with its fuzzing runtime, and the coverage tools of the same LLVM.
varnisk_extra_packages=(clang libclang-rt-14-dev llvm-14)
source tools/install-deps.sh
profdata=llvm-profdata-14
cov=llvm-cov-14

# The source files of the parser each target fuzzes.
sources() {
  case $1 in
    exe) echo src/formats/game/ExeLayout.cpp src/editor/gamedata/GameValues.cpp ;;
    savedstate) echo src/formats/game/SavedState.cpp ;;
    archive) echo src/formats/archive/Archive.cpp src/editor/gamedata/TyreData.cpp ;;
    datasets) echo src/formats/valuesets/DataSetFormats.cpp ;;
    backup) echo src/editor/gamedata/Backup.cpp ;;
    store) echo src/formats/registry/StoreRegistry.cpp ;;
    winereg) echo src/formats/registry/WineRegistry.cpp ;;
    shape) echo src/formats/shapes/ShapeFormat.cpp ;;
    image) echo src/formats/images/TextureFormats.cpp ;;
    journal) echo src/formats/files/Journal.cpp ;;
    *) echo "tools/fuzz-coverage.sh names no source files for the target $1" >&2; exit 2 ;;
  esac
}

build=build-cov
cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DVARNISK_FUZZ=ON -DVARNISK_FUZZ_COVERAGE=ON \
  -DVARNISK_WITH_WINDOW=OFF -DVARNISK_WITH_TESTS=OFF -DVARNISK_WITH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target varnisk-fuzz-seeds $(printf 'fuzz_%s ' "${targets[@]}")

rm -rf "$build/seeds" "$build/profiles"
mkdir -p "$build/profiles" "$build/report"
LLVM_PROFILE_FILE="$build/profiles/seedmaker.profraw" "$build/tests/fuzz/varnisk-fuzz-seeds" "$build/seeds"

summary=()
for t in "${targets[@]}"; do
  folders=()
  for f in build-fuzz/corpus/$t "$build/seeds/$t" tests/fuzz/seeds/$t tests/fuzz/regressions/$t; do
    [ -d "$f" ] && folders+=("$f")
  done
  inputs=$(find "${folders[@]}" -type f ! -name '.*' | wc -l)
  # -runs=0: every input of the folders once, no fuzzing. An input that
  # breaks a promise aborts the run; tools/fuzz.sh and ./test show those.
  LLVM_PROFILE_FILE="$build/profiles/$t.profraw" "$build/tests/fuzz/fuzz_$t" -runs=0 \
    "${folders[@]}" >"$build/report/$t.log" 2>&1 || echo "fuzz_$t stopped early: see $build/report/$t.log" >&2
  "$profdata" merge -sparse "$build/profiles/$t.profraw" -o "$build/profiles/$t.profdata"
  files=($(sources "$t"))
  "$cov" show "$build/tests/fuzz/fuzz_$t" -instr-profile="$build/profiles/$t.profdata" \
    -show-line-counts-or-regions "${files[@]}" >"$build/report/$t.txt"
  lines=$("$cov" report "$build/tests/fuzz/fuzz_$t" -instr-profile="$build/profiles/$t.profdata" "${files[@]}" |
    awk -v files="${#files[@]}" '$2 ~ /^[0-9]+$/ && ($1 != "TOTAL" || files > 1) {
        # The columns: regions, missed, cover, functions, missed, executed, lines, missed, cover, ...
        name = $1 == "TOTAL" ? "together" : $1
        sub(/^.*\//, "", name)
        printf "%s%s %s of %s lines (%s)", sep, name, $8 - $9, $8, $10; sep = ", " }')
  summary+=("$(printf '%-11s %7s inputs  %s' "$t" "$inputs" "$lines")")
done

echo
echo "Line coverage of the parsers (uncovered lines: $build/report/<target>.txt):"
printf '  %s\n' "${summary[@]}"
