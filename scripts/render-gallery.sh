#!/usr/bin/env bash
# Renders every page of the controls gallery offscreen to PNG files in DIR (default
# build/gallery), at device pixel ratio 1 and, with SCALE=2, at 2.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel-gallery)
out=${1:-$build/gallery}
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=${SCALE:-1} "$build/bin/ostrel-gallery" --render "$out"
ls "$out"
