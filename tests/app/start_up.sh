#!/usr/bin/env bash
# The editor starts as a person starts it, shows its main window and keeps
# running until it is closed.
set -u
app=${VARNISK_APP:?set VARNISK_APP to the varnisk binary}
if [ -z "${DISPLAY:-}" ]; then export QT_QPA_PLATFORM=offscreen; fi
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
