#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing.
#   --package  also what building and checking the Debian package needs (cpack's `file`,
#              dpkg-shlibdeps from dpkg-dev, lintian, the desktop-file and AppStream checks)
#   --clang    also clang with its sanitizer and fuzzer runtimes (CI's second compiler, fuzz.sh)
#   --mingw    also the MinGW-w64 cross-compiler (CI builds the console-only core for Windows)
#   --desktop  also a window manager and the screen-reader stack (screenshots.sh, accessibility-tree.sh)
# Runs apt-get as root directly, otherwise through sudo; says so when neither is possible. What
# apt-get and dpkg print goes to a log that is shown only when the installation fails.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libglib2.0-dev
          e2fsprogs btrfs-progs util-linux mount coreutils bindfs exfat-fuse exfatprogs fuse3
          libfuse3-dev
          qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
          xvfb xauth xdotool)
for option in "$@"; do
    case $option in
        --package) packages+=(file dpkg-dev fakeroot lintian desktop-file-utils appstream man-db) ;;
        --clang) packages+=(clang libclang-rt-dev) ;;
        --mingw) packages+=(g++-mingw-w64-x86-64-posix) ;;
        # The screenshots under a window manager, and the check of what screen readers see.
        --desktop) packages+=(openbox at-spi2-core python3-pyatspi dbus-x11) ;;
        *) echo "setup.sh: unknown option '$option' (--package, --clang, --mingw, --desktop)" >&2; exit 2 ;;
    esac
done
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "setup.sh: these Debian packages are missing: ${missing[*]}" >&2
        echo "Install them as root (apt-get install ${missing[*]}), or install sudo." >&2
        exit 1
    }
    as_root=(sudo)
fi
echo "Installing ${#missing[@]} Debian packages: ${missing[*]}" >&2
log=$(mktemp "${TMPDIR:-/tmp}/ostrel-setup-XXXXXX.log")
if ! { "${as_root[@]}" apt-get update -q &&
       "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
           --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "setup.sh: the installation failed (log above, kept in $log)" >&2
    exit 1
fi
rm -f "$log"
