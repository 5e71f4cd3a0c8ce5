#!/usr/bin/env bash
# How soon the main window answers a click while a job runs in it: FILES files (default 200,000)
# of 4 KiB in 1,000 folders are dropped onto the main window (one random pass, no question), and
# while they are shredded the Options button is clicked again and again with xdotool; each figure
# is the time from the click (the button's release; xdotool's start is counted, about 5 ms) to
# the options window being mapped, as xdotool sees it (looked for every few milliseconds). The same clicks without a job
# come first, for comparison. Prints every figure, then the median and spread of each (aim during
# the job: a median under 0.1 s).
# Usage: FILES=200000 bench/click-during-job.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel_bench_clickduringjob ostrel_language_files \
    ostrel_busy_gif)
files=${FILES:-200000}
idle_clicks=${IDLE_CLICKS:-15}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/setup.sh installs it)" >&2; exit 1; }
done
work=${1:-$(mktemp -d "${TMPDIR:-/tmp}/ostrel-bench-XXXXXX")}
mkdir -p "$work"
xvfb_pid="" app_pid=""
cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work/tree" "$work/home" "$work/display" "$work/said"
}
trap cleanup EXIT

source "$root/bench/virtual-display.sh"
StartVirtualDisplay "$work"
export DISPLAY=$virtual_display

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state XDG_RUNTIME_DIR=$work/home/run
export OSTREL_PROGRAM_DIR=$build/bin QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY QT_SCALE_FACTOR
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="English.lng"\r\n"Method"="Simple Overwrite (1 Pass)"\r\n"Confirm"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"

echo "making $files files..." >&2
block=$(head -c 3072 /dev/urandom | base64 -w0)
rm -rf "$work/tree"
mkdir -p "$work/tree"
per=$(( (files + 999) / 1000 ))
for d in $(seq 1 1000); do
    mkdir "$work/tree/d$d"
    for f in $(seq 1 "$per"); do printf '%s' "$block" >"$work/tree/d$d/f$f"; done
done
sync

now() { date +%s%N; }
said() { grep -m1 "^$1" "$work/said" 2>/dev/null || true; }
options_mapped() { xdotool search --onlyvisible --name '^Options$' >/dev/null 2>&1; }

# Clicks the Options button until the app says "done" (or `count` clicks when given); prints
# each click's answer time in seconds.
clicks() {
    local count=${1:-0} n=0 x y start
    read -r _ x y <<<"$(said options)"
    while :; do
        [ "$count" -gt 0 ] && [ "$n" -ge "$count" ] && break
        [ -n "$(said done)" ] && break
        kill -0 "$app_pid" 2>/dev/null || break
        # Not `click`: it holds the button down for a tenth of a second, and the window answers
        # the release.
        xdotool mousemove "$x" "$y"
        start=$(now)
        xdotool mousedown 1 mouseup 1
        until options_mapped; do
            [ -n "$(said done)" ] && return 0
            sleep 0.002
        done
        awk -v s="$start" -v e="$(now)" 'BEGIN{printf "%.3f\n", (e-s)/1e9}'
        n=$((n + 1))
        # The app hides the options window after a moment; the next click comes once it is gone.
        while options_mapped; do sleep 0.01; done
        sleep 0.2
    done
}

start_app() {
    : >"$work/said"
    "$build/bin/ostrel_bench_clickduringjob" "$1" >"$work/said" 2>/dev/null &
    app_pid=$!
    until [ -n "$(said options)" ]; do
        kill -0 "$app_pid" 2>/dev/null || { echo "the app ended before its window was up" >&2; exit 1; }
        sleep 0.01
    done
}

summary() {
    sort -n | awk -v what="$1" '{a[NR]=$1} END{
        if (NR == 0) { printf "%s: no clicks\n", what; exit }
        m = NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2
        printf "%s: %d clicks, median %.3f s, fastest %.3f s, slowest %.3f s, 90th percentile %.3f s\n",
            what, NR, m, a[1], a[NR], a[int(NR*0.9+0.999)] }'
}

start_app --idle
sleep 1
idle=$(clicks "$idle_clicks")
kill "$app_pid"; wait "$app_pid" 2>/dev/null || true; app_pid=""

start_app "$work/tree"
until [ -n "$(said running)" ]; do sleep 0.01; done
busy=$(clicks)
wait "$app_pid" || true; app_pid=""
[ ! -e "$work/tree" ] || echo "warning: the tree is still there" >&2

echo "idle:       $(echo $idle)"
echo "during job: $(echo $busy)"
printf '%s\n' $idle | summary "idle"
printf '%s\n' $busy | summary "during the $files-file job"
echo "job: $(said done | cut -d' ' -f2) s"
