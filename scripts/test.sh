#!/usr/bin/env bash
# Sets up, builds and runs every test. OSTREL_SANITIZE=1 builds and runs under ASan and UBSan.
# Where every proof can run (CI, as root) a test that skips fails the run unless
# tests/allowed-skips lets it (OSTREL_REQUIRE_PROOFS=1 asks for that anywhere, =0 never).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh")
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp:print_suppressions=0}
require=0
[ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ] && require=1
require=${OSTREL_REQUIRE_PROOFS:-$require}
cd "$build"
status=0
ctest --output-on-failure -j "$(nproc)" --timeout 600 --output-junit "$build/ctest-results.xml" ||
    status=$?
if [ "$require" = 1 ]; then
    "$root/scripts/check-skips.sh" "$build/ctest-results.xml" >&2 || status=1
fi
exit $status
