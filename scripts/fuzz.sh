#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (into build-fuzz/) and runs each for SECONDS seconds (default 60), starting from its seed corpus
# fuzz/corpus/<name>/ and the inputs earlier runs found (build-fuzz/corpus/<name>/). Fails on any
# crash, sanitizer report, leak, time-out or broken property; the input that caused it is kept
# in build-fuzz/artifacts/. CI runs every target briefly; run it longer by hand.
# Usage: scripts/fuzz.sh [SECONDS [TARGET...]]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in "$root"/fuzz/*.cpp; do
        targets+=("$(basename "$source" .cpp)")
    done
fi

# libFuzzer ships with clang's runtime libraries.
"$root/scripts/setup.sh" --clang

build=${OSTREL_FUZZ_BUILD_DIR:-$root/build-fuzz}
CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_FUZZ=ON -DOSTREL_TESTS=OFF -DOSTREL_WERROR=ON >/dev/null
cmake --build "$build" --target "${targets[@]/#/ostrel_fuzz_}" >&2

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts"
status=0
for target in "${targets[@]}"; do
    mkdir -p "$build/corpus/$target"
    log="$build/artifacts/$target.log"
    if "$build/bin/ostrel_fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        "$build/corpus/$target" "$root/fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz $target: ${runs:-?} inputs in ${seconds}s, no fault"
    else
        echo "fuzz $target: FAILED (input kept in $build/artifacts/); its log ends:" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
done
exit $status
