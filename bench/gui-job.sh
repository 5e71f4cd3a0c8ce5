#!/usr/bin/env bash
# The windows must not slow a job down: 10,000 files of 4 KiB in 100 folders, destroyed by
# `ostrel` (one random pass, no question) once with the console host (no display) and once with
# the Qt host on a virtual display (Xvfb), alternately, RUNS times each (default 10: with 5,
# two runs of the very same console job differed by up to 5.5 % on a shared machine; an even
# number lets each host go first equally often); prints the
# median and the fastest of each, their ratios and the median ratio within pairs (aim: at most
# 1.05; on a shared machine the pairs' ratio and the fastest runs are the least disturbed).
# Then the time from start to the main window being shown (median of 5).
# The windowed job leaves its summary in view for a moment after the last file is gone; that
# moment is no work and is left out here (OSTREL_SUMMARY_MS=0), the console prints the same line.
# CONTROL=1 runs the console host in both places of each pair: the pairs' ratios then show how
# far two runs of the same job differ on this machine, the floor under any aim for the pairs.
# Usage: bench/gui-job.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel)
runs=${RUNS:-10}
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/setup.sh installs it)" >&2; exit 1; }
done
work=${1:-$(mktemp -d "${TMPDIR:-/tmp}/ostrel-bench-XXXXXX")}
mkdir -p "$work"
xvfb_pid=""
cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work/tree" "$work/home" "$work/display" "$work/stderr" "$work/time"
}
trap cleanup EXIT

# A display of our own, on a number the server picks as free.
source "$root/bench/virtual-display.sh"
StartVirtualDisplay "$work"
display=$virtual_display

# 4 KiB of text written by the shell itself: 10,000 files without 10,000 processes.
block=$(head -c 3072 /dev/urandom | base64 -w0)
make_tree() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    for d in $(seq 1 100); do
        mkdir "$work/tree/d$d"
        for f in $(seq 1 100); do printf '%s' "$block" >"$work/tree/d$d/f$f"; done
    done
    sync
}

# A private user: settings say one random pass, no question.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state XDG_RUNTIME_DIR=$work/home/run
unset WAYLAND_DISPLAY QT_QPA_PLATFORM QT_SCALE_FACTOR
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="English.lng"\r\n"Method"="Simple Overwrite (1 Pass)"\r\n"Confirm"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"

seconds() { awk -v s="$1" -v e="$2" 'BEGIN{printf "%.3f", (e-s)/1e9}'; }
median() { sort -n | awk '{a[NR]=$1} END{print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# One job: $1 is the display ("" for none). Prints its wall-clock time and its CPU time (user
# plus system), in seconds: on a machine whose disk others share, the CPU time is the steadier
# measure of what the windows cost.
job() {
    make_tree
    local status=0 TIMEFORMAT='%R %U %S'
    { time DISPLAY=$( [ -n "${CONTROL:-}" ] || echo "$1") OSTREL_SUMMARY_MS=0 "$build/bin/ostrel" "$work/tree" 2>"$work/stderr" || status=$?; } 2>"$work/time"
    if [ $status -ne 0 ] || [ -e "$work/tree" ]; then
        echo "ostrel (display '${1}') ended with $status; what it said:" >&2
        head -c 2000 "$work/stderr" >&2
        exit 1
    fi
    awk '{printf "%.3f %.3f", $1, $2 + $3}' "$work/time"
}

console=() qt=()
for run in $(seq 1 "$runs"); do
    # Alternate which goes first, so that a disk getting warmer favours neither.
    if [ $((run % 2)) -eq 1 ]; then
        console+=("$(job "")"); qt+=("$(job "$display")")
    else
        qt+=("$(job "$display")"); console+=("$(job "")")
    fi
    echo "run $run: console ${console[-1]% *} s (CPU ${console[-1]#* } s)," \
         "windows ${qt[-1]% *} s (CPU ${qt[-1]#* } s)" >&2
done
column() { printf '%s\n' "${@:2}" | awk -v c="$1" '{print $c}'; }
t_console=$(column 1 "${console[@]}" | median)
t_qt=$(column 1 "${qt[@]}" | median)
m_console=$(column 1 "${console[@]}" | sort -n | head -n1)
m_qt=$(column 1 "${qt[@]}" | sort -n | head -n1)
c_console=$(column 2 "${console[@]}" | median)
c_qt=$(column 2 "${qt[@]}" | median)
# The two runs of a pair ran one after the other, under much the same load from elsewhere:
# the median of the pairs' ratios is the figure least moved by that load.
r_pairs=$(for i in "${!console[@]}"; do
    awk -v c="${console[$i]% *}" -v q="${qt[$i]% *}" 'BEGIN{print q/c}'
done | median)

# Start to main window shown: until the window titled "Ostrel" is mapped, looked for every few
# milliseconds (xdotool's own --sync looks only twice a second).
shown=()
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    DISPLAY=$display "$build/bin/ostrel" 2>/dev/null &
    pid=$!
    until DISPLAY=$display xdotool search --onlyvisible --name '^Ostrel$' >/dev/null 2>&1; do
        kill -0 "$pid" 2>/dev/null || { echo "ostrel ended without showing its window" >&2; exit 1; }
        sleep 0.005
    done
    end=$(date +%s%N)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    shown+=("$(seconds "$start" "$end")")
done
t_shown=$(printf '%s\n' "${shown[@]}" | median)

awk -v c="$t_console" -v q="$t_qt" -v mc="$m_console" -v mq="$m_qt" -v cc="$c_console" \
    -v cq="$c_qt" -v r="$r_pairs" -v s="$t_shown" 'BEGIN{
    printf "                            wall, median   wall, fastest   CPU, median\n"
    printf "console host (no display):  %8.3f s     %8.3f s      %8.3f s\n", c, mc, cc
    printf "Qt host (Xvfb):             %8.3f s     %8.3f s      %8.3f s\n", q, mq, cq
    printf "ratio Qt/console:           %8.3f       %8.3f        %8.3f   (aim: at most 1.05)\n", q/c, mq/mc, cq/cc
    printf "ratio Qt/console, median of the %d pairs: %.3f\n", '"$runs"', r
    printf "start to main window shown: %8.3f s (median of 5)\n", s }'
