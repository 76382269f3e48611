#!/usr/bin/env bash
# Installs what is missing, builds Quillmere with its tests and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug
cmake --build build/test -j"$(nproc)"
cd build/test
QT_QPA_PLATFORM=offscreen ctest --output-on-failure
