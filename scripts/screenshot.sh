#!/usr/bin/env bash
# Redraws docs/screenshot.png from the real main window, headless, with the example ROM open.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target screenshot
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/demo.smc examples/demo.kel "$work"/
QT_QPA_PLATFORM=offscreen build/tools/screenshot "$work/demo.smc" docs/screenshot.png "${1:-5}" "${2:-2}"
echo "wrote docs/screenshot.png"
