#!/usr/bin/env bash
# varnisk-cli run as a person runs it: the dump is valid JSON, messages and
# exit statuses are as documented.
set -u
cli=${VARNISK_CLI:?set VARNISK_CLI to the varnisk-cli binary}
make_game=${VARNISK_MAKE_GAME:?set VARNISK_MAKE_GAME to the varnisk-make-game binary}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Never the user's own registry store or Wine prefix.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" WINEPREFIX="$work/no-wine"
export VARNISK_REGISTRY="$work/registry.ini"
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
check "errors go to standard error, naming the field and what to do" "grep -q \"^error: Cockpit · Car Details Rear: '' is not a valid integer value. Nothing was exported. Import All fills the sheet from the game first.$\" '$work/err.txt'"

# A generated game, imported, edited, exported and restored.
"$make_game" "$work/game" >/dev/null
cp "$work/game/GP4.exe" "$work/GP4.exe.original"
"$cli" --game-dir "$work/game" import dump >"$work/out.json" 2>"$work/err.txt"
check "an import exits 0" "[ $? -eq 0 ]"
check "the import fills the sheet and GameData" \
  "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d[\"status\"]==\"Import Done\"; s=d[\"state\"]; assert s[\"GameData\"][\"version\"]==102; assert s[\"SheetReady\"]==1; assert d[\"controls\"][\"LMDPath\"][\"hint\"]==\"Actual Path: \"+sys.argv[2]; assert s[\"GameData\"][\"CollisionEntry\"] is not None' '$work/out.json' '$work/game'"
"$cli" --game-dir "$work/game" import paste LMDEdit105 12 export >/dev/null 2>"$work/err.txt"
check "an export exits 0" "[ $? -eq 0 ]"
check "the export keeps backups" "[ -f '$work/game/GP4.exe.varnisk-backup' ] && cmp -s '$work/game/GP4.exe.varnisk-backup' '$work/GP4.exe.original'"
"$cli" --game-dir "$work/game" import dump >"$work/out.json" 2>/dev/null
check "the exported value comes back" \
  "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d[\"controls\"][\"LMDEdit105\"][\"text\"]==\"12\"' '$work/out.json'"
# Editing as a person does it: a drag held by the pressed field, the key
# filter's beep, a default and a team swap.
"$cli" --game-dir "$work/game" import dump "$work/before.json" paste LMDEdit12 40 \
  press LMDEdit12 left 100 100 move 130 50 move 300 300 release 300 300 move 500 500 \
  type LMDEdit13 4a2 click LMDButton5 choose LMDTeamOp 1 choose LMDTeam1 0 choose LMDTeam2 2 click LMDButton8 \
  dump >"$work/out.json" 2>"$work/err.txt"
check "editing exits 0" "[ $? -eq 0 ]"
check "the only line on standard error is the beep" "diff <(printf 'beep\n') '$work/err.txt'"
check "the drag, the typing, the default and the swap show in the dump" \
  "python3 -c 'import json,sys
b=json.load(open(sys.argv[1]))[\"controls\"]; d=json.load(open(sys.argv[2])); c=d[\"controls\"]; s=d[\"state\"]
assert c[\"LMDEdit12\"][\"text\"]==\"240\", c[\"LMDEdit12\"]
assert c[\"LMDEdit13\"][\"text\"]==\"42\"
assert c[\"LMDHP0\"][\"text\"]==\"-15\" and c[\"LMDHP22\"][\"text\"]==\"1\"
for f in (\"LMDSlot\", \"LMDTC\", \"PanelAC\"):
    k = \"colour\" if f==\"PanelAC\" else \"text\"
    assert c[f+\"0\"][k]==b[f+\"2\"][k] and c[f+\"2\"][k]==b[f+\"0\"][k], f
assert c[\"Label1\"][\"caption\"]==\"between\"
assert d[\"status\"]==\"\"
assert s[\"drag\"][\"FieldDragOn\"] is False and s[\"drag\"][\"PressedCamField\"]==\"LMDEdit12\"
assert s[\"PreviewState\"][\"LastShownTeam\"]==0 and s[\"PreviewState\"][\"ReloadCarShape\"] is True
' '$work/before.json' '$work/out.json'"

# Value sets: everything saved, edits, the sets loaded back; the select
# toggle of the save window leaves a header alone.
"$cli" --game-dir "$work/game" import dump "$work/before.json" save-car "$work/all.car" save-cam "$work/all.cam" \
  paste LMDEdit12 77 paste LMDHP3 5 paste LMDEW25 3.5 arrow UpDown1 up load "$work/all.car" dump "$work/car.json" \
  paste LMDEdit12 78 load "$work/all.cam" \
  click TFormSave.LMDButton2 save-car "$work/none.car" dump >"$work/out.json" 2>"$work/err.txt"
check "saving and loading exit 0 and say nothing" "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ]"
check "a full car data file, a camera set and a bare header" \
  "[ \$(stat -c %s '$work/all.car') -eq 1040 ] && [ \$(stat -c %s '$work/all.cam') -eq 244 ] && [ \$(stat -c %s '$work/none.car') -eq 20 ]"
check "loading gives back every value the edits changed" \
  "python3 -c 'import json,sys
b=json.load(open(sys.argv[1]))[\"controls\"]; l=json.load(open(sys.argv[2])); d=json.load(open(sys.argv[3]))
changed=[k for k,v in b.items() if l[\"controls\"][k]!=v and k!=\"Status\" and \".\" not in k]
assert not changed, changed
assert l[\"status\"]==\"Camset loaded\"
assert d[\"controls\"][\"LMDEdit12\"][\"text\"]==b[\"LMDEdit12\"][\"text\"]
assert d[\"controls\"][\"TFormSave.LMDButton2\"][\"caption\"]==\"Select ALL\"
assert d[\"status\"]==\"Car datas saved\"
' '$work/before.json' '$work/car.json' '$work/out.json'"

"$cli" --game-dir "$work/game" restore 2>"$work/err.txt"
check "restore exits 0" "[ $? -eq 0 ]"
check "restore gives GP4.exe back" "cmp -s '$work/game/GP4.exe' '$work/GP4.exe.original' && [ ! -e '$work/game/GP4.exe.varnisk-backup' ]"

# The preview without a window: frames as PNG pictures, and what they drew.
"$cli" --game-dir "$work/game" import render "$work/cockpit.png" click Switch render "$work/chase.png" \
  dump >"$work/out.json" 2>"$work/err.txt"
check "rendering exits 0 and says nothing" "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ]"
check "the pictures have the preview's size and the dump says what was drawn" \
  "python3 -c 'import json,struct,sys
d=json.load(open(sys.argv[1])); v=d[\"controls\"][\"GLView\"]; p=d[\"state\"][\"Preview\"]
for f in sys.argv[2:]:
    b=open(f,\"rb\").read(24); assert b[:8]==b\"\\x89PNG\\r\\n\\x1a\\n\", f
    assert struct.unpack(\">II\", b[16:24])==(v[\"width\"], v[\"height\"]), f
assert p[\"view\"] is True and p[\"frames\"]==3, p[\"frames\"]
assert p[\"WadPath\"].endswith(\"cars.wad\")
f=p[\"lastFrame\"]; assert f[\"row\"]==101 and f[\"fieldOfView\"]==35 and f[\"chaseAngle\"] is not None, f
assert f[\"slotsCalled\"]==[10,6,5,3,2,4], f
assert p[\"shapes\"][\"8\"][\"entry\"]==\"cockpit_dash.gp4\" and p[\"shapes\"][\"10\"][\"entry\"].startswith(\"car_\")
assert all(p[\"fixedTextures\"].values()) and len(p[\"fixedTextures\"])==6
' '$work/out.json' '$work/cockpit.png' '$work/chase.png'"

# An undo brings the preview back as the user had it: the other team's car
# goes, the first one is drawn again as a click on its swatch draws it.
"$cli" --game-dir "$work/game" import render "$work/f1.png" render "$work/f2.png" click PanelRC4 \
  render "$work/other.png" undo render "$work/undone.png" click PanelRC0 render "$work/clicked.png" \
  >/dev/null 2>"$work/err.txt"
check "undo redraws the preview as it was before the step" \
  "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ] && ! cmp -s '$work/f2.png' '$work/other.png' && cmp -s '$work/f2.png' '$work/undone.png' && cmp -s '$work/undone.png' '$work/clicked.png'"

MESA_GL_VERSION_OVERRIDE=1.0 "$cli" --game-dir "$work/game" render "$work/old.png" >/dev/null 2>"$work/err.txt"
check "a driver older than OpenGL 1.1 is refused and no picture written" \
  "[ $? -eq 1 ] && grep -q '^error: Diese OpenGL version ist veraltet.$' '$work/err.txt' && [ ! -e '$work/old.png' ]"

# A pipe where a file is expected is refused at once instead of waited on.
mkfifo "$work/pipe.car"
timeout 20 "$cli" --game-dir "$work/game" load "$work/pipe.car" >/dev/null 2>"$work/err.txt"
check "loading a pipe ends at once with an error" \
  "[ $? -eq 1 ] && diff <(printf 'error: pipe.car could not be read: Not a regular file. Nothing was loaded.\n') '$work/err.txt'"

# An export cut off by a kill is undone by the next run that touches the game.
cp "$work/game/GP4.exe" "$work/GP4.exe.before"
python3 - "$work/game" <<'PY'
import struct, sys, zlib
# A journal as an export writes it before patching: GP4.exe's first 4 bytes
# before and after, and the file patched already.
game = sys.argv[1]; exe = game + "/GP4.exe"
data = bytearray(open(exe, "rb").read()); before = bytes(data[:4]); after = b"\x01\x02\x03\x04"
body = b"VARNISK JOURNAL 1\n" + struct.pack("<I", 10) + b"Export All" + struct.pack("<I", 1)
body += struct.pack("<I", len(exe)) + exe.encode() + struct.pack("<QI", len(data), 1)
body += struct.pack("<QI", 0, 4) + before + after
body += struct.pack("<Q", len(body) + 12)
body += struct.pack("<I", zlib.crc32(body))
open(game + "/varnisk.journal", "wb").write(body)
data[:4] = after; open(exe, "wb").write(bytes(data))
PY
"$cli" --game-dir "$work/game" import >/dev/null 2>"$work/err.txt"
check "the next import puts GP4.exe back and says so" \
  "[ $? -eq 0 ] && cmp -s '$work/game/GP4.exe' '$work/GP4.exe.before' && [ ! -e '$work/game/varnisk.journal' ] && grep -q '^message: The last Export All was cut off' '$work/err.txt'"

# No game registered: the chooser, then the end.
"$cli" import >/dev/null 2>"$work/err.txt"
check "no game and no choice ends the program with status 3" "[ $? -eq 3 ]"
check "the start-up messages and how to name the folder" "diff <(printf 'message: Please choose your GP4 folder\nmessage: Sorry but Varnisk will now terminate.\nhint: give the game folder for one run with --game-dir DIR\n') '$work/err.txt'"
"$cli" answer open "$work/game/GP4.exe" import dump >"$work/out.json" 2>"$work/err.txt"
check "choosing GP4.exe imports it" "[ $? -eq 0 ] && grep -q 'Import Done' '$work/out.json'"
check "the choice is kept in Varnisk's own registry store" "grep -q '^Directory=$work/game$' '$work/registry.ini'"

# A store that cannot keep the choice: the reason, and the game for this run.
touch "$work/plain-file"
VARNISK_REGISTRY="$work/plain-file/varnisk/registry.ini" "$cli" answer open "$work/game/GP4.exe" import import dump \
  >"$work/out.json" 2>"$work/err.txt"
check "a choice the store cannot keep is said and used for the run" \
  "[ $? -eq 0 ] && grep -q 'Import Done' '$work/out.json' && diff <(printf 'message: Please choose your GP4 folder\nmessage: The GP4 folder you chose could not be kept for the next start: %s: its folder %s cannot be made: Not a directory. It is used for this run.\n' '$work/plain-file/varnisk/registry.ini' '$work/plain-file/varnisk') '$work/err.txt'"
mkfifo "$work/fifo.ini"
VARNISK_REGISTRY="$work/fifo.ini" timeout 60 "$cli" answer open "$work/game/GP4.exe" import >/dev/null 2>"$work/err.txt"
check "a store that is a FIFO is left one" \
  "[ $? -eq 0 ] && [ -p '$work/fifo.ini' ] && grep -q ': not a regular file but a FIFO. It is used for this run.$' '$work/err.txt'"

# The folder of the last value set is kept in the store for the next run's
# dialogs; a value set that is cut short is refused whole.
mkdir -p "$work/sets"
"$cli" import save-cam "$work/sets/all.cam" >/dev/null 2>"$work/err.txt"
check "a save keeps its folder in the store, beside the game folder" \
  "[ $? -eq 0 ] && grep -q '^ValueSetFolder=$work/sets$' '$work/registry.ini' && grep -q '^Directory=$work/game$' '$work/registry.ini'"
head -c 100 "$work/sets/all.cam" >"$work/sets/cut.cam"
"$cli" import dump "$work/before.json" load "$work/sets/cut.cam" dump "$work/after.json" >/dev/null 2>"$work/err.txt"
check "a camera set cut short changes nothing and is named" \
  "[ $? -eq 1 ] && diff <(printf 'error: cut.cam is damaged: Read beyond end of file. Nothing was loaded.\n') '$work/err.txt' && python3 -c 'import json,sys; a=json.load(open(sys.argv[1])); b=json.load(open(sys.argv[2])); assert a[\"controls\"]==b[\"controls\"] and a[\"state\"][\"GameData\"]==b[\"state\"][\"GameData\"]' '$work/before.json' '$work/after.json'"

# An untouched export changes no byte; a program drives Varnisk line by line
# while another one changes the game's files under it.
"$make_game" "$work/game2" >/dev/null
cp -r "$work/game2" "$work/game2.original"
"$cli" --game-dir "$work/game2" import export >/dev/null 2>"$work/err.txt"
check "an untouched export exits 0, says nothing and changes no file" \
  "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ] && diff -r '$work/game2' '$work/game2.original' >/dev/null"
python3 - "$cli" "$work/game2" "$work" >"$work/py.txt" 2>&1 <<'PY'
import json, os, struct, subprocess, sys, time
cli, game, work = sys.argv[1:4]
p = subprocess.Popen([cli, "--game-dir", game, "--script", "-"], stdin=subprocess.PIPE,
                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, encoding="utf-8")
def send(line):
    p.stdin.write(line + "\n"); p.stdin.flush()
def read_json(path):
    # The file is there once the command before it has run.
    for _ in range(400):
        try:
            return json.load(open(path, encoding="utf-8"))
        except (OSError, ValueError):
            time.sleep(0.05)
    raise SystemExit("no " + path)
send("import"); send("paste LMDEdit3 44"); send("changes " + work + "/c1.json")
c = read_json(work + "/c1.json")
assert c == {"changes": [{"file": "GP4.exe", "what": "Camera 2 \u00b7 X", "control": "LMDEdit3", "game": "850", "sheet": "44"}],
             "onDisk": []}, c
# Another program writes the same value into GP4.exe (camera record 3's X).
exe = game + "/GP4.exe"; at = 2595848 + 32 + 20 * 3
data = bytearray(open(exe, "rb").read()); data[at:at + 2] = struct.pack("<h", 60); open(exe, "wb").write(data)
send("changes " + work + "/c2.json"); send("dump " + work + "/d.json")
c = read_json(work + "/c2.json")
assert c["onDisk"] == [{"file": "GP4.exe", "what": "Camera 2 \u00b7 X", "control": "LMDEdit3", "read": "850", "disk": "30", "sheet": "44"}], c
d = read_json(work + "/d.json")
assert [k for k, v in d["controls"].items() if v.get("modified")] == ["LMDEdit3"], d["controls"]["LMDEdit3"]
send("export")
out, err = p.communicate(timeout=60)
assert p.returncode == 0, (p.returncode, err)
assert err.startswith("message: Another program changed these values"), err
assert "GP4.exe \u00b7 Camera 2 \u00b7 X: 850 when read, 30 on disk now, 44 in the sheet" in err, err
assert struct.unpack_from("<h", open(exe, "rb").read(), at)[0] == 88
PY
check "a script from standard input runs each line as it arrives, and export reports another program's change" \
  "[ $? -eq 0 ] || { cat '$work/py.txt'; false; }"

exit $fail
