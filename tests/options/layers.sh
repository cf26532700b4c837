#!/usr/bin/env bash
# The libraries link one way: with the include folders each library is
# compiled with (as CMake gives them, its own and those of the libraries
# below it), the headers of its own layer are found and those of every layer
# above it are not; and nothing below the scene includes OpenGL or Qt.
set -u
cxx=${VARNISK_CXX:?set VARNISK_CXX to the C++ compiler}
src=${VARNISK_SOURCE_DIR:?set VARNISK_SOURCE_DIR to the source folder}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0

# finds LAYER DIRS HEADER: whether HEADER is found with DIRS (';'-separated).
finds() {
  local flags=() dir
  IFS=';' read -ra dirs <<<"$2"
  for dir in "${dirs[@]}"; do [ -n "$dir" ] && flags+=(-I"$dir"); done
  printf '#include "%s"\n' "$3" >"$work/probe.cpp"
  "$cxx" -std=c++20 -E "${flags[@]}" "$work/probe.cpp" -o /dev/null 2>"$work/err.txt"
}

expect() {  # expect found|missing LAYER DIRS HEADER
  if finds "$2" "$3" "$4"; then got=found; else got=missing; fi
  if [ "$got" != "$1" ]; then
    echo "FAILED: $2 expects $4 $1, but it is $got"
    [ "$got" = missing ] && head -3 "$work/err.txt"
    fail=1
  fi
}

expect found formats "$VARNISK_FORMATS_INCLUDES" game/ExeLayout.h
for h in core/Editor.h gamedata/ImportAll.h preview/Scene.h opengl/ForwardingGl.h cli/Dump.h; do
  expect missing formats "$VARNISK_FORMATS_INCLUDES" "$h"
done
expect found editor "$VARNISK_EDITOR_INCLUDES" core/Editor.h
expect found editor "$VARNISK_EDITOR_INCLUDES" archive/Archive.h
for h in preview/Scene.h preview/SceneState.h opengl/ForwardingGl.h cli/Dump.h app/FormWindow.h; do
  expect missing editor "$VARNISK_EDITOR_INCLUDES" "$h"
done
expect found scene "$VARNISK_SCENE_INCLUDES" preview/Scene.h
for h in opengl/ForwardingGl.h opengl/OffscreenView.h cli/Dump.h app/FormWindow.h; do
  expect missing scene "$VARNISK_SCENE_INCLUDES" "$h"
done

# OpenGL is the scene's and the hosts'; Qt is the window's alone.
if grep -rnE '#include <(GL/|EGL/|Q[A-Za-z]*>|nlohmann/)' "$src/src/formats" "$src/src/editor"; then
  echo "FAILED: the formats or the editor include OpenGL, Qt or the dump's JSON"
  fail=1
fi
if grep -rnE '#include <Q[A-Za-z]*>' "$src/src/scene" "$src/src/frontends/cli" "$src/src/frontends/opengl"; then
  echo "FAILED: Qt outside the window"
  fail=1
fi
exit $fail
