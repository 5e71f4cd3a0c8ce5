#!/usr/bin/env bash
# Sets up, builds and runs Ostrel with the given paths (none: the main window, or its texts on
# a console).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel)
exec "$build/bin/ostrel" "$@"
