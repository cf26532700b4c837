#!/usr/bin/env bash
# Installs from Debian's packages whatever the build, the editor and the
# tests need and this machine lacks. Sourced by ./run and ./test.
set -euo pipefail

varnisk_packages=(
  g++ make cmake pkg-config
  libgtest-dev nlohmann-json3-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl-mesa0 libpng-dev
  xvfb xauth
  fonts-dejavu-core
  # The Windows build of the core and varnisk-cli: the cross compiler,
  # GoogleTest's sources for it, and Wine to run its tests.
  mingw-w64 googletest wine wine64
  # Installing and the Debian package: the icon's PNG pictures, the package's
  # dependencies, the checks of the desktop files, manual pages and binaries.
  librsvg2-bin dpkg-dev desktop-file-utils appstream man-db file
)
# What a caller needs besides (tools/fuzz.sh: clang and its fuzzing runtime).
varnisk_packages+=(${varnisk_extra_packages[@]+"${varnisk_extra_packages[@]}"})

varnisk_missing=()
for p in "${varnisk_packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    varnisk_missing+=("$p")
  fi
done
# The command-line tests read the dump with python3.
command -v python3 >/dev/null 2>&1 || varnisk_missing+=(python3)

if [ ${#varnisk_missing[@]} -gt 0 ]; then
  echo "Installing: ${varnisk_missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then
    as_root=()
  elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "These packages are missing and neither root nor sudo is available: ${varnisk_missing[*]}" >&2
    exit 1
  fi
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${varnisk_missing[@]}"
fi
