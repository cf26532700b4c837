#!/usr/bin/env bash
# The desktop entry and the AppStream metainfo as the desktops' own tools
# read them: no error, no warning, no remark. Never over the network.
#   validate.sh desktop FILE | validate.sh metainfo FILE
set -u
kind=${1:?desktop or metainfo}
file=${2:?the file to check}
case $kind in
  desktop) tool=desktop-file-validate; command=(desktop-file-validate "$file") ;;
  metainfo) tool=appstreamcli; command=(appstreamcli validate --no-net --explain "$file") ;;
  *) echo "no such kind: $kind" >&2; exit 2 ;;
esac
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "FAILED: $tool is missing (tools/install-deps.sh installs it)"
  exit 1
fi
output=$("${command[@]}" 2>&1)
status=$?
echo "$output"
# desktop-file-validate prints nothing for a sound file; appstreamcli's
# lines of errors (E:), warnings (W:) and remarks (I:) name each finding.
if [ $status -ne 0 ]; then echo "FAILED: $tool exits $status"; exit 1; fi
if [ "$kind" = desktop ] && [ -n "$output" ]; then echo "FAILED: $tool has findings"; exit 1; fi
if [ "$kind" = metainfo ] && grep -q '^[EWI]: ' <<<"$output"; then echo "FAILED: $tool has findings"; exit 1; fi
echo "$(basename "$file") is valid"
