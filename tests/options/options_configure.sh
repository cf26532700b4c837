#!/usr/bin/env bash
# Every combination of the build options configures, for this machine and
# for the Windows cross build (which has no Qt: its window is left out with
# a warning, and it writes no textures).
set -u
src=${VARNISK_SOURCE_DIR:?set VARNISK_SOURCE_DIR to the source folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
for toolchain in "" "$src/cmake/mingw-w64-x86_64.cmake"; do
  for window in ON OFF; do
    for tests in ON OFF; do
      for bench in ON OFF; do
        opts=(-DVARNISK_WITH_WINDOW=$window -DVARNISK_WITH_TESTS=$tests -DVARNISK_WITH_BENCH=$bench)
        [ -n "$toolchain" ] && opts+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
        rm -rf "$work/build"
        if ! cmake -S "$src" -B "$work/build" "${opts[@]}" >"$work/log.txt" 2>&1; then
          echo "FAILED: cmake ${opts[*]}"
          tail -5 "$work/log.txt"
          fail=1
        fi
      done
    done
  done
done
[ $fail -eq 0 ] && echo "every combination of the build options configures"
exit $fail
