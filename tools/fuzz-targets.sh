# The fuzz targets a fuzzing script is asked for, sourced by tools/fuzz.sh
# and tools/fuzz-coverage.sh with the target names given on their command
# line, from the repository's top folder. Sets all_targets (every target
# tests/fuzz/Targets.cmake names) and targets (those given, or all of them);
# a name that is no target ends the script with status 2 before anything is
# built.
all_targets=($(sed -n 's/^set(VARNISK_FUZZ_TARGET_NAMES \(.*\))$/\1/p' tests/fuzz/Targets.cmake))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")
for t in "${targets[@]}"; do
  if [[ " ${all_targets[*]} " != *" $t "* ]]; then
    echo "No fuzz target named $t; there are: ${all_targets[*]}" >&2
    exit 2
  fi
done
