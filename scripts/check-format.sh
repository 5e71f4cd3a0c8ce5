#!/usr/bin/env bash
# Fails when a C++ file does not follow .clang-format. The formatter is pinned to clang-format 14,
# the version Debian 12 ships: another release formats some constructs differently, and the
# check must not flip when a machine has a newer one.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
formatter=clang-format-14
if ! command -v "$formatter" >/dev/null; then
    as_root=()
    [ "$(id -u)" -eq 0 ] || as_root=(sudo)
    { "${as_root[@]}" apt-get update -q &&
      "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q clang-format-14; } \
        >/dev/null 2>&1 || { echo "check-format.sh: cannot install clang-format-14" >&2; exit 1; }
fi
git ls-files '*.cpp' '*.h' | xargs "$formatter" --dry-run -Werror
echo "format: all C++ files follow .clang-format ($("$formatter" --version | sed 's/.*version //'))"
