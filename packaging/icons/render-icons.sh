#!/usr/bin/env bash
# Renders ostrel.svg to the PNG sizes installed in the hicolor theme. The PNGs are committed;
# run this again after changing the SVG (needs rsvg-convert from librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for size in 16 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" ostrel.svg -o "hicolor/${size}x${size}/apps/ostrel.png"
done
