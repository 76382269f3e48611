#!/usr/bin/env bash
# Installs what is missing, builds Quillmere (Release) and starts it.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc)" --target quillmere
exec build/release/quillmere
