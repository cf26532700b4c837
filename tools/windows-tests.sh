#!/usr/bin/env bash
# Cross-compiles the core, varnisk-cli and the core's tests for Windows with
# Debian's mingw-w64 (cmake/mingw-w64-x86_64.cmake, into build-win/) and runs
# the tests under Wine, in a Wine prefix of their own (build-win/wine), so
# that the user's own prefix and registry are never touched. Runs alone or
# from ./test.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY  # console programs only: no window may appear
cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVARNISK_WITH_WINDOW=OFF -DVARNISK_WITH_BENCH=OFF >/dev/null
cmake --build build-win -j"$(nproc)" --target varnisk-cli varnisk-make-game varnisk_tests varnisk_registry_tests

# Without the Wine server and its services running, every test would wait
# for them to start (seconds each) or hang: start them once, first.
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
mkdir -p "$WINEPREFIX"
timeout 60 wineserver -p
timeout 300 wine cmd /c exit
ctest --test-dir build-win --output-on-failure -j"$(nproc)" --timeout 300
