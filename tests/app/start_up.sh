#!/usr/bin/env bash
# The editor starts as a person starts it, shows its main window and keeps
# running until it is closed.
set -u
app=${VARNISK_APP:?set VARNISK_APP to the varnisk binary}
make_game=${VARNISK_MAKE_GAME:?set VARNISK_MAKE_GAME to the varnisk-make-game binary}
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# As ./run starts it: no game registered, a generated demo installation.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" WINEPREFIX="$work/no-wine"
export VARNISK_REGISTRY="$work/registry.ini"
"$make_game" "$work/demo-game" >/dev/null
export VARNISK_DEMO_GAME="$work/demo-game"
log=$(mktemp)
"$app" >"$log" 2>&1 &
pid=$!
sleep 3
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid"; status=$?
  echo "FAILED: the editor ended by itself with status $status"; cat "$log"; rm -f "$log"
  exit 1
fi
kill "$pid"; wait "$pid" 2>/dev/null
rm -f "$log"
echo "the editor started and kept running"
