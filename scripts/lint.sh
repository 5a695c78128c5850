#!/usr/bin/env bash
# Checks that every source file is formatted by .clang-format and that the program's code passes
# .clang-tidy. Needs the compile commands of a configured build (scripts/test.sh makes one).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
[ -f build/compile_commands.json ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "== clang-format on ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"
mapfile -t program < <(git ls-files 'src/*.cpp')
echo "== clang-tidy on ${#program[@]} files"
if ! report=$(clang-tidy -p build --quiet "${program[@]}" 2>&1); then
    grep -vE '^[0-9]+ warnings generated\.$|^Suppressed' <<<"$report"
    exit 1
fi
echo "== lint passed"
