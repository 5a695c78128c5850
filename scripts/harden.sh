#!/usr/bin/env bash
# Builds every test with clang under AddressSanitizer and UndefinedBehaviorSanitizer and runs
# them, then runs each libFuzzer target for a while on a copy of its seed corpus. Any test
# failure, sanitizer report, crash or leak fails the script.
#   FUZZ_SECONDS  seconds per fuzz target (default 20)
#   JOBS          parallel build and test jobs (default: the cores, at most 2)
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds=${FUZZ_SECONDS:-20}
cores=$(nproc)
jobs=${JOBS:-$((cores < 2 ? cores : 2))}
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

echo "== sanitized tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DORVANE_WERROR=ON -DORVANE_BUILD_BENCH=OFF -DORVANE_FUZZ=OFF -DORVANE_TEST_PACKAGE=OFF \
    -DCMAKE_CXX_FLAGS="$sanitize" \
    -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzzing, ${fuzz_seconds}s a target"
targets=(keltable val texttobytes search tblfile texttable spellings ips bps)
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DORVANE_WERROR=ON -DORVANE_FUZZ=ON -DBUILD_TESTING=OFF -DORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for target in "${targets[@]}"; do
    corpus="$work/$target"
    mkdir -p "$corpus" "$work/artifacts-$target"
    cp fuzz/corpus/"$target"/* "$corpus"/
    echo "-- fuzz_$target"
    if ! build-fuzz/fuzz/fuzz_"$target" -max_total_time="$fuzz_seconds" -timeout=10 \
            -rss_limit_mb=3072 -print_final_stats=1 \
            -artifact_prefix="$work/artifacts-$target/" "$corpus" 2>"$work/$target.log"; then
        tail -n 60 "$work/$target.log"
        for artifact in "$work/artifacts-$target"/*; do
            [ -e "$artifact" ] || continue
            mkdir -p build-fuzz/artifacts
            cp "$artifact" build-fuzz/artifacts/
            echo "input kept in build-fuzz/artifacts/$(basename "$artifact")"
        done
        echo "fuzz_$target failed" >&2
        exit 1
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "$work/$target.log" || true
done
echo "== hardening passed"
