#!/usr/bin/env bash
# Configures and builds into $OSTREL_BUILD_DIR (default build/, or build-asan/ when
# OSTREL_SANITIZE=1). Extra arguments are passed to `cmake --build` (for example --target ostrel).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
sanitize=${OSTREL_SANITIZE:-0}
if [ "$sanitize" = 1 ]; then
    build=${OSTREL_BUILD_DIR:-$root/build-asan}
    san=ON
else
    build=${OSTREL_BUILD_DIR:-$root/build}
    san=OFF
fi
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -G Ninja -DOSTREL_SANITIZE=$san -DOSTREL_WERROR=ON >/dev/null
# An up-to-date build prints nothing: a run shows only the program's own output.
cmake --build "$build" "$@" 2>&1 |
    { grep -v -E -e '^(\[[0-9]+/[0-9]+\] )?Re-checking globbed directories' \
        -e '^ninja: no work to do' || true; } >&2
echo "$build"
