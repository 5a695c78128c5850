#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it, with the ROM given if any. The build
# folder and type are those of scripts/test.sh and the README's install, so one build serves all.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target orvane
exec ./build/src/orvane "$@"
