#!/usr/bin/env bash
# Installs what is missing, builds the programs and the tests (benchmarks and tools are built on
# request) and runs every test headless, the Debian package's included.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j"$(nproc)"
