#!/usr/bin/env bash
# Installs what the build, the run and the tests need, on Debian or Ubuntu; says nothing when all
# of it is there. scripts/run.sh and scripts/test.sh call it first, so either works on a bare
# machine. Needs root, or sudo, only when something is missing.
set -eu
packages="cmake make g++ g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine wine64
  xvfb x11-utils imagemagick libgtest-dev googletest python3 clang libclang-rt-14-dev
  libevdev-dev pkg-config"
missing=
for p in $packages; do
    [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
as_root=
if [ "$(id -u)" != 0 ]; then
    command -v sudo >/dev/null || { echo "setup: needs root to install:$missing" >&2; exit 1; }
    as_root=sudo
fi
echo "installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
$as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $missing >/dev/null
