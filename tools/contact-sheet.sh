#!/bin/sh
# Renders what every camera of a game shows, one PNG a camera, through
# varnisk-cli, and puts them together into one captioned contact sheet when
# ImageMagick's montage is at hand.
#
#   tools/contact-sheet.sh [CLI] [GAME_DIR] [OUT_DIR] [SHEET] [COMMAND ...]
#
# Defaults: build/varnisk-cli, build/demo-game, build/cameras and
# OUT_DIR/cameras.png. Any varnisk-cli commands after SHEET run right after
# the import, before the first picture: "click DefaultCockpitButton" shows
# the game as "Default All" leaves it. Each camera is chosen as a person
# chooses it: its first field pressed, then the preview. The chase camera is
# shown from behind and from ahead with the "Rear Cam" / "Front Cam" button.
set -eu

cli=${1:-build/varnisk-cli}
game=${2:-build/demo-game}
out=${3:-build/cameras}
sheet=${4:-$out/cameras.png}
shift $(($# < 4 ? $# : 4))

mkdir -p "$out"

# Caption and the number of the camera's first field, in the sheet's order.
cameras='Cockpit:105 T-Cam:106 Camera_1:2 Camera_2:3 Camera_3:4 Camera_4:5 Camera_5:6
Camera_6:7 Camera_7:8 Camera_8:9 Camera_9:10 Camera_10:1'

# One run, as one person works through the sheet: the first frame is the
# cockpit camera's, as in the window, then each camera in turn.
set -- --game-dir "$game" import "$@"
files=
n=0
for entry in $cameras; do
    field=${entry##*:}
    n=$((n + 1))
    file=$(printf '%s/%02d-%s.png' "$out" "$n" "${entry%%:*}")
    set -- "$@" press "LMDEdit$field" left 0 0 release 0 0 press GLView left 0 0 release 0 0 render "$file"
    files="$files $file"
done
# The chase camera from behind, then from ahead.
rear=$(printf '%s/%02d-Chase_rear.png' "$out" $((n + 1)))
front=$(printf '%s/%02d-Chase_front.png' "$out" $((n + 2)))
set -- "$@" click Switch render "$rear" click Switch render "$front"
files="$files $rear $front"
"$cli" "$@"
for file in $files; do echo "$file"; done

if ! command -v montage >/dev/null 2>&1; then
    echo "montage (ImageMagick) not found: the pictures are in $out, no sheet made"
    exit 0
fi

# One caption a picture, under it; the file names carry the captions.
set --
for file in $files; do
    caption=$(basename "$file" .png | sed 's/^[0-9]*-//; s/_rear$/ (Rear Cam)/; s/_front$/ (Front Cam)/' | tr _ ' ')
    set -- "$@" -label "$caption" "$file"
done
font=
for f in DejaVu-Sans Liberation-Sans; do
    if convert -list font 2>/dev/null | grep -q "Font: $f\$"; then font="-font $f"; break; fi
done
# shellcheck disable=SC2086
montage "$@" $font -tile 4x -geometry 240x180+4+4 -pointsize 13 -background white \
    -alpha off -depth 8 -define png:color-type=2 "$sheet"
echo "contact sheet: $sheet"
