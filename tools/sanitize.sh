#!/usr/bin/env bash
# Builds the core's tests and varnisk-cli with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ (no window, no benchmarks),
# runs every test there, and fails when a test fails or a sanitizer reports
# anything, leaks included. Run by ./test after the other tests; it can be
# run on its own.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/install-deps.sh

build="build-asan"
# -Og -g1: the instrumented code compiles as fast as at -O0 (about half the
# time -O1 -g takes) and the tests run three to four times faster than at
# -O0; the line tables name the file and line of every frame in a report.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-Og -g1" -DVARNISK_SANITIZE=ON \
  -DVARNISK_WITH_WINDOW=OFF -DVARNISK_WITH_TESTS=ON -DVARNISK_WITH_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"

# AddressSanitizer's reports (leaks included) go to files of their own, so
# that one from a process whose failure a test expects (the command-line
# tests check exit statuses) is not lost; any file there afterwards fails the
# run. The undefined-behaviour runtime, sharing the process with
# AddressSanitizer, writes to standard error whatever log_path says; it
# aborts the process instead of exiting with 1, a status no test expects.
logs=$PWD/$build/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
export ASAN_OPTIONS="log_path=$logs/report:detect_leaks=1:strict_string_checks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="log_path=$logs/report:print_stacktrace=1:halt_on_error=1:abort_on_error=1"
# Mesa unloads its driver when the offscreen view terminates the last EGL
# display; what the driver allocated once for the process then looks leaked,
# from code that can no longer be named. Loaded from the start, the driver
# stays for the leak check (every Mesa DRI driver is the same file); every
# process the tests start loads it, at a few hundredths of a second each.
# The sanitizers' runtime then no longer comes first, which is harmless here.
driver=/usr/lib/$(gcc -print-multiarch)/dri/swrast_dri.so
if [ -f "$driver" ]; then
  export LD_PRELOAD=$driver
  ASAN_OPTIONS+=":verify_asan_link_order=0"
fi

status=0
(cd "$build" && ctest --output-on-failure -j"$(nproc)") || status=$?
reports=("$logs"/*)
if [ -e "${reports[0]}" ]; then
  echo "The sanitizers reported:" >&2
  cat "${reports[@]}" >&2
  status=1
fi
exit "$status"
