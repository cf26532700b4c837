#!/usr/bin/env bash
# cmake --install --strip (as the README shows it) into a fresh prefix puts
# every file in its place, the desktop files agree with each other, and the
# installed varnisk-cli renders with the installed textures.
set -u
source "$(dirname "$0")/common.sh"
prefix="$work/prefix"

"${VARNISK_CMAKE:-cmake}" --install "$build" --strip --prefix "$prefix" >"$work/install.log" 2>&1
check "cmake --install succeeds" "[ $? -eq 0 ] || { cat '$work/install.log'; false; }"

files=(bin/varnisk-cli share/man/man1/varnisk-cli.1)
if [ "${VARNISK_WITH_WINDOW:-0}" = 1 ]; then
  files+=(bin/varnisk share/man/man1/varnisk.1 "share/applications/$id.desktop"
          "share/metainfo/$id.metainfo.xml" "share/icons/hicolor/scalable/apps/$id.svg")
fi
for f in "${files[@]}"; do check "installs $f" "[ -f '$prefix/$f' ]"; done
check "installs every texture of build/CamTextures" \
  "diff <(cd '$build/CamTextures' && ls) <(cd '$prefix/share/varnisk/CamTextures' && ls)"
check "the programs can be run" "[ -x '$prefix/bin/varnisk-cli' ]"

if [ "${VARNISK_WITH_WINDOW:-0}" = 1 ]; then
  for size in 16 24 32 48 64 128 256; do
    png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
    check "the ${size}x${size} icon is a PNG of that size" \
      "python3 -c 'import struct,sys; b=open(sys.argv[1],\"rb\").read(24); assert b[:8]==b\"\\x89PNG\\r\\n\\x1a\\n\" and struct.unpack(\">II\",b[16:24])==($size,$size)' '$png'"
  done
  check "the desktop entry names the icon and the program" \
    "grep -qx 'Icon=$id' '$prefix/share/applications/$id.desktop' && grep -qx 'Exec=varnisk' '$prefix/share/applications/$id.desktop'"
  # The metainfo against the desktop entry and the icons beside it.
  appstreamcli validate-tree --no-net "$prefix" >"$work/tree.txt" 2>&1
  check "appstreamcli validate-tree accepts the installed tree" \
    "[ $? -eq 0 ] && ! grep -q '^[EW]: ' '$work/tree.txt' || { cat '$work/tree.txt'; false; }"
  check "the installed varnisk --version needs no display" \
    "diff <(printf 'varnisk %s\n' '$VARNISK_VERSION') <(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '$prefix/bin/varnisk' --version)"
fi

check_installed_cli "$prefix" "installed"

[ $fail -eq 0 ] && echo "cmake --install puts everything in its place"
exit $fail
