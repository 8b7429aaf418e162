#!/bin/sh
# Installs what building, running and testing the terminal needs on Debian 12.
# Safe to run again: apt-get only installs what is missing.
set -e
PACKAGES="cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev libgl-dev libgtest-dev fonts-dejavu-core fonts-liberation xvfb xauth desktop-file-utils dpkg-dev file lintian appstream man-db qt6-translations-l10n libqt6svg6 ser2net socat ppp python3-serial lrzsz clang clang-format libclang-rt-14-dev"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends $missing
fi
