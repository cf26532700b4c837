#!/usr/bin/env bash
# varnisk-cli run as a person runs it: the dump is valid JSON, messages and
# exit statuses are as documented.
set -u
cli=${VARNISK_CLI:?set VARNISK_CLI to the varnisk-cli binary}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }

"$cli" type LMDEdit12 40 paste LMDSlot2 "ab cd" dump >"$work/out.json" 2>"$work/err.txt"
check "a plain run exits 0" "[ $? -eq 0 ]"
check "nothing on standard error" "[ ! -s '$work/err.txt' ]"
check "the dump is one JSON object with the typed values" \
  "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); c=d[\"controls\"]; assert c[\"LMDEdit12\"][\"text\"]==\"40\"; assert c[\"LMDSlot2\"][\"text\"]==\"ab cd\"; assert c[\"TForm2.Button1\"][\"caption\"]==\"OK\"' '$work/out.json'"

"$cli" no-such-command >/dev/null 2>&1
check "a usage error exits 2" "[ $? -eq 2 ]"

"$cli" export >/dev/null 2>"$work/err.txt"
check "a reported error exits 1" "[ $? -eq 1 ]"
check "errors go to standard error" "grep -q '^error: export is not available yet$' '$work/err.txt'"

exit $fail
