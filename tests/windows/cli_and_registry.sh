#!/usr/bin/env bash
# varnisk-cli.exe under Wine as a person runs it on Windows: the game found
# through the registry entry the game's installer writes (here written with
# `wine reg add`), imported, edited, exported; another game chosen by hand
# and written back into the entry; render refused with a clear word.
set -u
cli=${VARNISK_CLI:?set VARNISK_CLI to varnisk-cli.exe}
make_game=${VARNISK_MAKE_GAME:?set VARNISK_MAKE_GAME to varnisk-make-game.exe}
wine=${VARNISK_WINE:-wine}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }
key='HKLM\Software\Infogrames\Grand Prix 4\1.00\Install Dir'
win() { winepath -w "$1" 2>/dev/null; }

mkdir -p "$work/one" "$work/two"
"$wine" "$make_game" "$(win "$work/one")\\game" >/dev/null
"$wine" "$make_game" "$(win "$work/two")\\game" >/dev/null
check "the generator writes a game under Windows" "[ -f '$work/one/game/GP4.exe' ] && [ -f '$work/two/game/cars.wad' ]"
one=$(win "$work/one/game")
two=$(win "$work/two/game")

"$wine" reg add "$key" /v Directory /d "$one" /f /reg:32 >/dev/null 2>&1
"$wine" "$cli" import type LMDEdit12 40 export dump >"$work/out.json" 2>"$work/err.txt"
check "the game named by the registry is imported and exported" "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ]"
check "the dump says so" "python3 -c '
import json,sys
d=json.load(open(sys.argv[1])); c=d[\"controls\"]
assert d[\"state\"][\"GameFound\"] is True
assert c[\"LMDPath\"][\"hint\"]==\"Actual Path: \"+sys.argv[2], c[\"LMDPath\"][\"hint\"]
assert d[\"status\"]==\"Exported 1 value: GP4.exe 1\", d[\"status\"]
' '$work/out.json' '$one'"
check "the export kept its backups" "[ -f '$work/one/game/GP4.exe.varnisk-backup' ] && [ ! -e '$work/one/game/varnisk.journal' ]"

"$wine" "$cli" answer open "$two\\GP4.exe" click LMDPath >/dev/null 2>"$work/err.txt"
check "choosing another game by hand works" "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ]"
"$wine" reg query "$key" /v Directory /reg:32 2>/dev/null | tr -d '\r' >"$work/reg.txt"
check "the choice is written into the registry entry" "grep -qF '$two' '$work/reg.txt'"
"$wine" "$cli" import dump >"$work/out.json" 2>/dev/null
check "the next run finds the chosen game" \
  "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d[\"controls\"][\"LMDPath\"][\"hint\"]==\"Actual Path: \"+sys.argv[2]' '$work/out.json' '$two'"

"$wine" "$cli" --game-dir "$one" import render "$(win "$work")\\x.png" >/dev/null 2>"$work/err.txt"
check "render says there is no offscreen OpenGL and writes nothing" \
  "[ $? -eq 1 ] && grep -q 'no OpenGL context without a window' '$work/err.txt' && [ ! -e '$work/x.png' ]"

"$wine" reg delete "$key" /f /reg:32 >/dev/null 2>&1
exit $fail
