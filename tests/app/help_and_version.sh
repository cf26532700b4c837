#!/usr/bin/env bash
# varnisk --help and --version answer at once, before any window or game
# look-up: with no display at all, no Qt platform chosen and no game.
set -u
app=${VARNISK_APP:?set VARNISK_APP to the varnisk binary}
version=${VARNISK_VERSION:?set VARNISK_VERSION to the project version}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
# A look-up of the game would find none here, and would ask in a window.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" WINEPREFIX="$work/no-wine"
export VARNISK_REGISTRY="$work/registry.ini"
unset VARNISK_DEMO_GAME
ulimit -c 0  # the run without a display aborts: no core file
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }

timeout 20 "$app" --version >"$work/out.txt" 2>"$work/err.txt"
check "--version exits 0" "[ $? -eq 0 ]"
check "--version prints the version" "diff <(printf 'varnisk %s\n' '$version') '$work/out.txt'"
check "--version says nothing on standard error" "[ ! -s '$work/err.txt' ]"

for option in --help -h; do
  timeout 20 "$app" "$option" >"$work/out.txt" 2>"$work/err.txt"
  check "$option exits 0" "[ $? -eq 0 ]"
  check "$option prints the usage" "head -n 1 '$work/out.txt' | grep -q '^usage: varnisk ' && grep -q -- '--version' '$work/out.txt'"
  check "$option says nothing on standard error" "[ ! -s '$work/err.txt' ]"
done

# Qt's options before it change nothing.
timeout 20 "$app" -platform offscreen --version >"$work/out.txt" 2>"$work/err.txt"
check "--version after Qt's options" "[ $? -eq 0 ] && diff <(printf 'varnisk %s\n' '$version') '$work/out.txt'"

# A failed write is no success.
if [ -w /dev/full ]; then
  timeout 20 "$app" --version >/dev/full 2>/dev/null
  check "--version into a full disk fails" "[ $? -ne 0 ]"
fi

# Without those options the program does start Qt, which finds no display.
timeout 20 "$app" >/dev/null 2>"$work/err.txt"
check "without them it needs a display" "[ $? -ne 0 ] && grep -qi 'display\|platform' '$work/err.txt'"

[ $fail -eq 0 ] && echo "varnisk --help and --version answer without a display"
exit $fail
