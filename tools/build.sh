#!/usr/bin/env bash
# Configures and builds the project into build/. Sourced by ./run and ./test.
set -euo pipefail
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
