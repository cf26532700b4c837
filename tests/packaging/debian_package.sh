#!/usr/bin/env bash
# cpack -G DEB builds the Debian package: its control fields, its runtime
# dependencies (known packages, all installed on the build machine), its
# files; unpacked with dpkg-deb -x, its varnisk-cli renders with the
# package's own textures.
set -u
source "$(dirname "$0")/common.sh"

# Into a folder of its own: the build folder gets no package nor
# _CPack_Packages from the test.
(cd "$work" && "${VARNISK_CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1)
check "cpack -G DEB succeeds" "[ $? -eq 0 ] || { cat '$work/cpack.log'; false; }"
deb="$work/out/varnisk_${VARNISK_VERSION}_$(dpkg --print-architecture).deb"
if [ ! -f "$deb" ]; then
  echo "FAILED: no $deb"; ls -R "$work/out" | head -20
  exit 1
fi

dpkg-deb --field "$deb" Package Version Section Priority Maintainer Architecture >"$work/fields.txt"
check "the control fields" "diff <(printf '%s\n' 'Package: varnisk' 'Version: $VARNISK_VERSION' 'Section: games' 'Priority: optional') <(head -n 4 '$work/fields.txt')"
check "a maintainer with a mail address" "grep -q '^Maintainer: .* <.*@.*>$' '$work/fields.txt'"
check "a description with a long part" "[ \$(dpkg-deb --field '$deb' Description | wc -l) -ge 2 ]"
depends=$(dpkg-deb --field "$deb" Depends)
# One dependency a line; of alternatives ("libglu1-mesa | libglu1") the first.
tr ',' '\n' <<<"$depends" | sed 's/|.*//; s/^ *//; s/ *$//' | grep -v '^$' >"$work/depends.txt"
expected=(libc6 libstdc++6 libpng16-16 libgl1-mesa-dri libegl-mesa0)
[ "${VARNISK_WITH_WINDOW:-0}" = 1 ] && expected+=(libqt6widgets6 libqt6openglwidgets6 qt6-qpa-plugins)
for p in "${expected[@]}"; do
  check "depends on $p" "cut -d' ' -f1 '$work/depends.txt' | grep -qxF '$p'"
done
# Every dependency is a package this machine has, at a version it satisfies.
while read -r p; do
  name=${p%% *}
  check "the dependency $p is installed here" \
    "dpkg-query -W -f='\${Status}' '$name' 2>/dev/null | grep -q 'install ok installed'"
  if [[ $p == *"("* ]]; then
    op=$(sed 's/.*(\([<>=]*\) .*/\1/' <<<"$p"); ver=$(sed 's/.*([<>=]* \(.*\))/\1/' <<<"$p")
    case $op in '>=') rel=ge ;; '<=') rel=le ;; '>>') rel=gt ;; '<<') rel=lt ;; '=') rel=eq ;; *) rel=ge ;; esac
    check "the installed $name satisfies $p" \
      "dpkg --compare-versions \"\$(dpkg-query -W -f='\${Version}' '$name')\" $rel '$ver'"
  fi
done <"$work/depends.txt"

dpkg-deb --contents "$deb" | awk '{print $NF}' >"$work/contents.txt"
files=(./usr/bin/varnisk-cli ./usr/share/man/man1/varnisk-cli.1)
[ "${VARNISK_WITH_WINDOW:-0}" = 1 ] && files+=(./usr/bin/varnisk "./usr/share/applications/$id.desktop"
  "./usr/share/metainfo/$id.metainfo.xml" "./usr/share/icons/hicolor/scalable/apps/$id.svg"
  "./usr/share/icons/hicolor/48x48/apps/$id.png")
for f in "${files[@]}"; do check "the package holds $f" "grep -qxF '$f' '$work/contents.txt'"; done
check "the package holds nothing outside /usr" "! grep -v '^\./usr/' '$work/contents.txt' | grep -vqx '\./'"

dpkg-deb -x "$deb" "$work/root"
check "the programs are stripped" "file -L '$work/root/usr/bin/varnisk-cli' | grep -q ', stripped'"
check_installed_cli "$work/root/usr" "unpacked package"

[ $fail -eq 0 ] && echo "the Debian package builds and its varnisk-cli works"
exit $fail
