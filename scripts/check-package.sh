#!/usr/bin/env bash
# Builds the Debian package and checks it as a user would meet it: the desktop files and the
# metainfo validate, lintian finds no error, `apt-get install ./ostrel_*.deb` installs it,
# `ostrel --version` and a real shred work for an ordinary user, and removing the package leaves
# nothing behind but that user's own files.
# Usage: check-package.sh [BUILD_DIR]   (default build-package/; configured here for /usr)
# Needs root (or sudo) for apt-get; the program itself runs as the user "nobody".
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-package}")
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"  # setup.sh has made sure one of the two works
fail() { echo "FAIL: $*" >&2; exit 1; }

"$root/scripts/setup.sh" --package

# The desktop entry must validate; the Dolphin service menu is KDE's own kind of entry
# (Type=Service), so only the complaints about that type are let through for it.
desktop-file-validate "$root/packaging/ostrel.desktop"
! grep -qiE '^MimeType=' "$root/packaging/ostrel.desktop" ||
    fail "ostrel.desktop declares MimeType: it could become a handler for folders"
for menu in ostrel-shred ostrel-wipe-free-space; do
    servicemenu=$(desktop-file-validate "$root/packaging/filemanagers/$menu.desktop" 2>&1 |
                  grep -v 'the type is "Service" while this key is only valid for type "Application"' ||
                  true)
    [ -z "$servicemenu" ] || fail "service menu $menu: $servicemenu"
done
appstreamcli validate --no-net "$root/packaging/org.ostrel.Ostrel.metainfo.xml"

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" >/dev/null
out=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-package-XXXXXX")
home=$out/home
cleanup() {
    if dpkg-query -W -f='${Status}' ostrel 2>/dev/null | grep -q 'install ok installed'; then
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq ostrel >/dev/null || true
    fi
    rm -rf "$out"
}
trap cleanup EXIT
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$out/ostrel_${version}_amd64.deb
[ -f "$deb" ] || fail "no $(basename "$deb") in $(ls "$out")"
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), Depends: $depends"
grep -q 'libc6 (>=' <<<"$depends" || fail "Depends does not come from dpkg-shlibdeps: $depends"
outside=$(dpkg-deb -c "$deb" | awk '{ print $6 }' | grep -v -e '^\./usr/' -e '^\./$' || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
lintian --fail-on error "$deb"

if dpkg-query -W -f='${Status}' ostrel 2>/dev/null | grep -q 'install ok installed'; then
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq ostrel >/dev/null
fi
(cd "$out" && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq ./"$(basename "$deb")" >/dev/null)
mapfile -t installed < <(dpkg -L ostrel)
for path in /usr/bin/ostrel /usr/libexec/ostrel-pending /usr/share/ostrel/English.lng \
            /usr/share/applications/ostrel.desktop /usr/share/metainfo/org.ostrel.Ostrel.metainfo.xml \
            /usr/share/icons/hicolor/scalable/apps/ostrel.svg \
            /usr/share/icons/hicolor/48x48/apps/ostrel.png /usr/share/man/man1/ostrel.1.gz \
            /usr/share/kio/servicemenus/ostrel-shred.desktop \
            /usr/share/kio/servicemenus/ostrel-wipe-free-space.desktop \
            /usr/share/nemo/actions/ostrel-shred.nemo_action \
            /usr/share/nemo/actions/ostrel-wipe-free-space.nemo_action; do
    [ -e "$path" ] || fail "$path not installed"
done
grep -q '^Exec=/usr/libexec/ostrel-shred-uris %U$' /usr/share/nemo/actions/ostrel-shred.nemo_action ||
    fail "the Nemo action does not name the installed helper"

# An ordinary user with a home of its own, no display and no terminal.
mkdir -p "$home/work"
chmod 755 "$out"
chown -R nobody "$home"
as_user() {
    runuser -u nobody -- env -i -C "$home/work" HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        XDG_RUNTIME_DIR="$home/run" "$@"
}
as_user mkdir -m 700 "$home/run"
[ "$(as_user ostrel --version)" = "ostrel $version" ] || fail "ostrel --version: $(as_user ostrel --version)"
as_user sh -c 'head -c 100000 /dev/urandom >"victim file"'
status=0
as_user ostrel --bogus "victim file" 2>/dev/null || status=$?
[ "$status" -eq 2 ] && [ -f "$home/work/victim file" ] || fail "an unknown option did not stop the run"
as_user ostrel --method=dod3 --yes "victim file" || fail "the installed ostrel failed ($?)"
[ ! -e "$home/work/victim file" ] || fail "the installed ostrel did not shred the file"
echo "installed ostrel shredded a file as user nobody"

DEBIAN_FRONTEND=noninteractive $SUDO apt-get purge -y -qq ostrel >/dev/null
for path in "${installed[@]}"; do
    [ -e "$path" ] || continue
    [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1 && continue  # another package's folder
    fail "$path is left after the package was removed"
done
left=$(cd "$home" && find . -type f ! -path './.config/Tolvane/*' ! -path './.local/share/Tolvane/*' \
       ! -path './.local/state/Tolvane/*' ! -path './run/*')
[ -z "$left" ] || fail "files the user did not expect: $left"
echo "removed: nothing left but the user's own files:"
(cd "$home" && find . -type f ! -path './run/*' | sed 's/^/  /')
