#!/usr/bin/env bash
# Sets up, builds and runs every test. OSTREL_SANITIZE=1 builds and runs under ASan and UBSan.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
cd "$build"
ctest --output-on-failure -j "$(nproc)" --timeout 600
