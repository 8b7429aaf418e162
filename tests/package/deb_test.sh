#!/bin/sh
# Builds the Debian package from the build tree, unpacks it into a throwaway
# root and checks its files and the dependencies it declares.
set -eu
cpack=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack"; }
set -- "$tmp"/out/terminalkvr_*.deb
[ -f "$1" ] || fail "no terminalkvr_*.deb"
deb=$1

dpkg -x "$deb" "$tmp/root"
for f in usr/bin/terminalkvr usr/bin/terminalkvr-launcher usr/share/applications/terminalkvr.desktop \
         usr/share/icons/hicolor/scalable/apps/terminalkvr.svg; do
  [ -f "$tmp/root/$f" ] || fail "missing /$f"
done
[ -x "$tmp/root/usr/bin/terminalkvr-launcher" ] || fail "launcher not executable"
if dpkg-deb -c "$deb" | grep -v ' \./usr/\(bin\|share\)/' | grep -v '/$'; then fail "files outside /usr/bin, /usr/share"; fi

info=$(dpkg-deb -I "$deb")
depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 qt6-qpa-plugins; do
  printf '%s\n' "$depends" | grep -q "\b$p\b" || fail "Depends lacks $p: $depends"
done
printf '%s\n' "$info" | grep -q '^ Maintainer: TerminalKVR' || fail "maintainer"
