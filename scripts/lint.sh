#!/usr/bin/env bash
# Checks that every source file is formatted by .clang-format and that the program's code passes
# .clang-tidy, with the compile commands of a build folder configured for it, build-lint/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# A folder of its own: the build compiles files in units, and clang-tidy needs each file's command.
cmake -S . -B build-lint -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVANE_UNITY_BUILD=OFF >/dev/null
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "== clang-format on ${#sources[@]} files"
clang-format --dry-run --Werror "${sources[@]}"
mapfile -t program < <(git ls-files 'src/*.cpp')
echo "== clang-tidy on ${#program[@]} files"
# A few files a run, on every core: one run over all of them takes minutes.
if ! report=$(printf '%s\n' "${program[@]}" \
        | xargs -P "$(nproc)" -n 4 clang-tidy -p build-lint --quiet 2>&1); then
    grep -vE '^[0-9]+ warnings generated\.$|^Suppressed' <<<"$report"
    exit 1
fi
echo "== lint passed"
