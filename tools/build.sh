#!/usr/bin/env bash
# Configures and builds the project into build/. Sourced by ./run and ./test.
set -euo pipefail
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVARNISK_WITH_WINDOW=ON -DVARNISK_WITH_TESTS=ON >/dev/null
cmake --build build -j"$(nproc)"
