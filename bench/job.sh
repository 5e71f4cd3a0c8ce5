#!/usr/bin/env bash
# Shredding rate over many small files: 10,000 files of 4 KiB in 100 folders, destroyed by
# `ostrel` (one random pass) and by shred's fastest removal (`shred -n1 --remove=unlink`
# followed by `rm -r`). Prints files per second of each. Usage: bench/job.sh [WORK_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$("$root/scripts/build.sh" --target ostrel)
work=${1:-$(mktemp -d "${TMPDIR:-/tmp}/ostrel-bench-XXXXXX")}
mkdir -p "$work"
trap 'rm -rf "$work/tree" "$work/home"' EXIT

make_tree() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    head -c 4096 /dev/urandom >"$work/seed"
    for d in $(seq 1 100); do
        mkdir "$work/tree/d$d"
        for f in $(seq 1 100); do cp "$work/seed" "$work/tree/d$d/f$f"; done
    done
    sync
}

seconds() { awk -v s="$1" -v e="$2" 'BEGIN{printf "%.3f", (e-s)/1e9}'; }

# A private user: settings say one random pass, no question.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_STATE_HOME=$work/home/.local/state
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="English.lng"\r\n"Method"="Simple Overwrite (1 Pass)"\r\n"Confirm"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"

make_tree
start=$(date +%s%N)
"$build/bin/ostrel" "$work/tree" 2>/dev/null
end=$(date +%s%N)
[ ! -e "$work/tree" ] || { echo "ostrel left $work/tree behind" >&2; exit 1; }
t_ostrel=$(seconds "$start" "$end")

make_tree
start=$(date +%s%N)
find "$work/tree" -type f -exec shred -n1 --remove=unlink {} +
rm -r "$work/tree"
end=$(date +%s%N)
t_shred=$(seconds "$start" "$end")

awk -v a="$t_ostrel" -v b="$t_shred" 'BEGIN{
    printf "ostrel (1 pass):           %7.3f s  %8.0f files/s\n", a, 10000/a
    printf "shred -n1 --remove=unlink: %7.3f s  %8.0f files/s\n", b, 10000/b
    printf "ratio ostrel/shred rate:   %7.2f (aim: at least 0.80)\n", b/a }'
