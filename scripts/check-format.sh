#!/usr/bin/env bash
# Fails when a C++ file does not follow .clang-format.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
command -v clang-format >/dev/null || {
    apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-format >/dev/null
}
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
echo "format: all C++ files follow .clang-format"
