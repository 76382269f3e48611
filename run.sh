#!/usr/bin/env bash
# Installs what is missing, builds Quillmere (Release): the window build/release/quillmere and the
# command line build/release/quillmere-convert, and starts the window.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
cmake --build build/release -j"$(nproc)" --target quillmere quillmere-convert
exec build/release/quillmere
