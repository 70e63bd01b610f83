#!/bin/sh
# Proves the Debian package on a clean Debian 12 (bookworm): installs it with
# apt (which brings its dependencies from Debian's mirror), runs lgmtool on a
# sample calibration, lgmservice offscreen and the demo on the simulated
# devices as an ordinary user, then purges it (scripts/check-package-steps.sh
# lists the steps).
#
#   ./scripts/check-package.sh [--chroot] [package.deb]
#
# The package defaults to the one ./scripts/package.sh left in
# build-package/. The clean system is a debian:12 container when docker or
# podman can run one; otherwise (or with --chroot) a minimal root made by
# debootstrap, which needs root and is installed when missing. That root is
# made once and kept in build-package/check/bookworm (delete it to make it
# anew); every run works on a fresh copy of it, removed at the end. Needs the
# network; DEBIAN_MIRROR chooses the chroot's mirror (default
# http://deb.debian.org/debian). Exits non-zero when a step failed. Too slow
# for every test run: run it by hand after changing the packaging.
set -eu
cd "$(dirname "$0")/.."

chroot_only=0
if [ "${1:-}" = "--chroot" ]; then
    chroot_only=1
    shift
fi
deb=${1:-}
if [ -z "$deb" ]; then
    for f in build-package/lgmservice_*.deb; do
        [ -f "$f" ] && deb=$f
    done
fi
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
    echo "No package: make one with ./scripts/package.sh or name it." >&2
    exit 2
fi
name=$(basename "$deb")
work=$PWD/build-package/check
mkdir -p "$work"
start=$(date +%s)

# What the clean system sees in /check: the package and the steps.
share=$work/share
rm -rf "$share"
mkdir -p "$share"
cp "$deb" "$share/$name"
cp scripts/check-package-steps.sh "$share/"

engine=""
if [ "$chroot_only" = 0 ]; then
    for candidate in docker podman; do
        if command -v "$candidate" >/dev/null && "$candidate" info >/dev/null 2>&1; then
            engine=$candidate
            break
        fi
    done
fi

status=0
if [ -n "$engine" ]; then
    echo "Clean system: a debian:12 container ($engine)"
    "$engine" run --rm -v "$share:/check" docker.io/library/debian:12 \
        sh /check/check-package-steps.sh "/check/$name" /check/check.log || status=$?
else
    if [ "$(id -u)" -ne 0 ]; then
        echo "No container engine runs here; the chroot needs root." >&2
        exit 2
    fi
    if ! command -v debootstrap >/dev/null; then
        echo "Installing debootstrap"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
            debootstrap >"$work/debootstrap-install.log"
    fi
    mirror=${DEBIAN_MIRROR:-http://deb.debian.org/debian}
    base=$work/bookworm
    root=$work/root
    unmount() {
        for m in dev/pts dev proc; do
            if mountpoint -q "$root/$m" 2>/dev/null; then
                umount -l "$root/$m"
            fi
        done
    }
    # The copy is some 700 MB once Qt is in it; the log tells what happened.
    # --one-file-system: never delete through a mount left behind.
    remove_root() {
        unmount
        rm -rf --one-file-system "$root"
    }
    trap remove_root EXIT
    trap 'exit 130' INT TERM

    if [ ! -x "$base/usr/bin/apt-get" ]; then
        echo "Making a minimal Debian 12 in $base (a few minutes)"
        rm -rf "$base"
        debootstrap --variant=minbase bookworm "$base" "$mirror" >"$work/debootstrap.log" 2>&1
    fi
    echo "Clean system: a copy of $base (debootstrap, $mirror)"
    remove_root
    cp -a "$base" "$root"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    mount --bind /dev "$root/dev"
    mount --bind /dev/pts "$root/dev/pts"
    cp -a "$share" "$root/check"
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
        sh /check/check-package-steps.sh "/check/$name" /check/check.log || status=$?
    cp "$root/check/check.log" "$share/check.log"
fi

echo "Package: $deb"
dpkg-deb --field "$deb" Version Installed-Size Depends | sed 's/^/  /'
echo "Log: $share/check.log ($(($(date +%s) - start)) s)"
if [ "$status" -ne 0 ]; then
    echo "The package check FAILED"
    exit 1
fi
echo "The package installs and runs on a clean Debian 12"
