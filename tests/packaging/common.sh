# What the install test and the package test share; sourced by both: the
# build folder, the desktop id, the version and the game generator from the
# environment, and a scratch folder $work removed at the end.
build=${VARNISK_BUILD:?set VARNISK_BUILD to the build folder}
id=${VARNISK_APP_ID:?}
: "${VARNISK_VERSION:?}" "${VARNISK_MAKE_GAME:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail=0
check() { if ! eval "$2"; then echo "FAILED: $1"; fail=1; fi; }

# Never the user's own registry store or Wine prefix.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" WINEPREFIX="$work/no-wine"
export VARNISK_REGISTRY="$work/registry.ini"

# The installed varnisk-cli (under the folder $1) prints its version, and
# renders a generated game's preview with the textures of $1's
# share/varnisk/CamTextures, run from a folder that has no CamTextures.
check_installed_cli() {
  local root=$1 what=$2
  local cli="$root/bin/varnisk-cli" textures="$root/share/varnisk/CamTextures"
  check "$what: varnisk-cli --version" \
    "diff <(printf 'varnisk-cli %s\n' '$VARNISK_VERSION') <('$cli' --version)"
  [ -d "$work/game" ] || "${VARNISK_MAKE_GAME:?}" "$work/game" >/dev/null
  rm -rf "$work/elsewhere" && mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" && "$cli" --game-dir "$work/game" import render x.png dump >"$work/out.json" 2>"$work/err.txt")
  check "$what: the render exits 0 and says nothing" \
    "[ $? -eq 0 ] && [ ! -s '$work/err.txt' ] || { cat '$work/err.txt'; false; }"
  check "$what: the picture is a PNG" \
    "[ \"\$(head -c 8 '$work/elsewhere/x.png' | od -An -tx1 | tr -d ' \n')\" = 89504e470d0a1a0a ]"
  check "$what: every fixed texture loaded" \
    "python3 -c 'import json,sys; t=json.load(open(sys.argv[1]))[\"state\"][\"Preview\"][\"fixedTextures\"]; assert len(t)==6 and all(t.values()), t' '$work/out.json'"
  # Without the installed textures the render fails, naming where it looked:
  # they, and nothing else, were what it found.
  mv "$textures" "$textures.away"
  (cd "$work/elsewhere" && "$cli" --game-dir "$work/game" import render y.png >/dev/null 2>"$work/err.txt")
  check "$what: without the installed textures the render fails" "[ $? -ne 0 ] && [ ! -e '$work/elsewhere/y.png' ]"
  check "$what: ... and says it looked in $textures" "grep -qF '$textures/' '$work/err.txt'"
  mv "$textures.away" "$textures"
}
