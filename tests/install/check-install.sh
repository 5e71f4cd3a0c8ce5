#!/usr/bin/env bash
# Installs the build tree into a fresh prefix and uses the installed program from another
# folder, as a user would: it must find its language files and its helper without the build.
# Usage: check-install.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-install-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/bin/ostrel" ] || fail "bin/ostrel not installed"
[ -x "$prefix/libexec/ostrel-pending" ] || fail "libexec/ostrel-pending not installed"
for data in English.lng German.lng Busy.gif; do
    [ -f "$prefix/share/ostrel/$data" ] || fail "share/ostrel/$data not installed"
done
for file in share/applications/ostrel.desktop share/metainfo/org.ostrel.Ostrel.metainfo.xml \
            share/icons/hicolor/scalable/apps/ostrel.svg share/icons/hicolor/16x16/apps/ostrel.png \
            share/man/man1/ostrel.1.gz share/kio/servicemenus/ostrel-shred.desktop \
            share/kio/servicemenus/ostrel-wipe-free-space.desktop \
            share/nemo/actions/ostrel-shred.nemo_action \
            share/nemo/actions/ostrel-wipe-free-space.nemo_action share/ostrel/nautilus-script \
            share/ostrel/nautilus-wipe-script share/ostrel/add-thunar-action \
            share/doc/ostrel/copyright; do
    [ -f "$prefix/$file" ] || fail "$file not installed"
done
# The Nemo action and the manual page name the folders of the prefix the build was configured
# for (a `cmake --install --prefix` elsewhere keeps them), so the action must name that helper.
helper=$(sed -n 's/^Exec=\(.*\) %U$/\1/p' "$prefix/share/nemo/actions/ostrel-shred.nemo_action")
[ "$(basename "$helper")" = ostrel-shred-uris ] || fail "the Nemo action runs '$helper'"
[ -x "$prefix/libexec/ostrel-shred-uris" ] || fail "libexec/ostrel-shred-uris not installed"
# The Nautilus script runs the same helper, and reads the selection from its environment only.
grep -qF "'$helper' \${NAUTILUS_SCRIPT_SELECTED_URIS-}" "$prefix/share/ostrel/nautilus-script" ||
    fail "the Nautilus script does not hand its URIs to $helper"
# Dolphin refuses a service menu that is not executable ("not authorized to execute this file").
for file in share/kio/servicemenus/ostrel-shred.desktop \
            share/kio/servicemenus/ostrel-wipe-free-space.desktop share/ostrel/nautilus-script \
            share/ostrel/nautilus-wipe-script share/ostrel/add-thunar-action \
            libexec/ostrel-shred-uris; do
    mode=$(stat -c %a "$prefix/$file")
    [ "$mode" = 755 ] || fail "$file installed with mode $mode, not 755"
done
# The fault injection the tests use is linked into their executables only: an installed program
# whose writes or renames could be made to fail on purpose must not exist. A stripped program
# has no symbols to look at, and says so.
for program in bin/ostrel libexec/ostrel-pending; do
    symbols=$(nm -C "$prefix/$program" 2>/dev/null || true)
    if [ -z "$symbols" ]; then
        echo "$program is stripped: its symbols were not searched for fault injection"
    elif seam=$(grep -E 'InjectFault|InjectShortWrites|ClearFaults|FaultFires|FaultyPwrite' \
                <<<"$symbols"); then
        fail "$program holds the fault injection: $(head -3 <<<"$seam")"
    fi
done

export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config XDG_DATA_HOME=$tmp/home/.local/share
export XDG_STATE_HOME=$tmp/home/.local/state
unset DISPLAY WAYLAND_DISPLAY OSTREL_PROGRAM_DIR
mkdir -p "$XDG_CONFIG_HOME/Tolvane/Quarrix" "$tmp/elsewhere"
printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Tolvane\\Quarrix\\Shredder]\r\n"DefaultLang"="German.lng"\r\n"Confirm"=dword:00000000\r\n' \
    >"$XDG_CONFIG_HOME/Tolvane/Quarrix/Shredder.reg"
cd "$tmp/elsewhere"

out=$("$prefix/bin/ostrel")
grep -q "unwiederbringlich" <<<"$out" || fail "the installed program did not read German.lng: $out"

echo secret >victim
"$prefix/bin/ostrel" victim 2>/dev/null
[ ! -e victim ] || fail "the installed program did not shred a file"
echo "installed program works from $prefix"
