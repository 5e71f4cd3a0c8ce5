#!/usr/bin/env bash
# Renders every window on a virtual display (Xvfb) at scale 1 and 2, in English and German, to
# PNG files in DIR (default build/screenshots): DIR/scale1/frmAbout.png, DIR/scale2-German/...
# Beside them, whole screens: report.png, the report of a job that left 41 files behind on an
# 800x600 screen, options-over-main.png, the options dialog over the main window under a
# window manager (openbox), where only the windows' own outline tells them apart, and
# wipe-chooser.png and wipe-question.png, what Wipe free space shows over the main window.
# The progress window is shot three times: its design look (frmProgress), mid-way through a
# selection of 300 files (frmProgress-selection) and at the end of that job (frmProgress-done).
# With --readme, the README's two pictures (packaging/screenshots/) are made anew from them.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/setup.sh" --desktop
build=$("$root/scripts/build.sh" --target ostrel-screenshots ostrel_language_files ostrel_busy_gif)
readme=0
if [ "${1:-}" = --readme ]; then
    readme=1
    shift
fi
out=${1:-$build/screenshots}
command -v xvfb-run >/dev/null || { echo "xvfb-run is needed (scripts/setup.sh installs it)" >&2; exit 1; }
# The windows read no settings of the person running this.
source "$root/scripts/user-sandbox.sh"
EnterUserSandbox shots
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
for scale in 1 2; do
    for language in English German; do
        folder=$out/scale$scale
        [ "$language" = English ] || folder=$folder-$language
        QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 2560x1600x24" \
            "$build/bin/ostrel-screenshots" "$folder" "$language.lng" 2>/dev/null
        for shot in "--report 800x600" "--options-over-main 1600x1000" "--wipe 1600x1000"; do
            set -- $shot
            QT_SCALE_FACTOR=$scale xvfb-run -a -s "-screen 0 ${2}x24" bash -c '
                openbox >/dev/null 2>&1 & wm=$!
                sleep 1
                "$@"; status=$?
                kill $wm
                exit $status' wm "$build/bin/ostrel-screenshots" "$1" "$folder" "$language.lng" \
                2>/dev/null
        done
    done
done
if [ $readme = 1 ]; then
    mkdir -p "$root/packaging/screenshots"
    cp "$out/scale1/frmAbout.png" "$root/packaging/screenshots/main-window.png"
    cp "$out/scale1/frmProgress-selection.png" "$root/packaging/screenshots/progress-window.png"
fi
