#!/bin/sh
# Builds the Debian package from the build tree, unpacks it into a throwaway
# root and checks its files, the dependencies it declares, its version against
# the program's, its documentation and metadata, and what lintian says of it.
set -eu
cpack=$1 build=$2 version=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$tmp/out" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack"; }
set -- "$tmp"/out/terminalkvr_*.deb
[ -f "$1" ] || fail "no terminalkvr_*.deb"
deb=$1

dpkg -x "$deb" "$tmp/root"
man=usr/share/man/man1
metainfo=usr/share/metainfo/org.example.terminalkvr.metainfo.xml
for f in usr/bin/terminalkvr usr/bin/terminalkvr-launcher usr/share/applications/terminalkvr.desktop \
         usr/share/icons/hicolor/scalable/apps/terminalkvr.svg usr/share/doc/terminalkvr/copyright \
         usr/share/doc/terminalkvr/changelog.gz $man/terminalkvr.1.gz $man/terminalkvr-launcher.1.gz $metainfo; do
  [ -f "$tmp/root/$f" ] || fail "missing /$f"
done
[ -x "$tmp/root/usr/bin/terminalkvr-launcher" ] || fail "launcher not executable"
if dpkg-deb -c "$deb" | grep -v ' \./usr/\(bin\|share\)/' | grep -v '/$'; then fail "files outside /usr/bin, /usr/share"; fi

info=$(dpkg-deb -I "$deb")
depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6charts6 qt6-qpa-plugins libqt6svg6 qt6-translations-l10n; do
  printf '%s\n' "$depends" | grep -q "\b$p\b" || fail "Depends lacks $p: $depends"
done
printf '%s\n' "$info" | grep -q '^ Maintainer: TerminalKVR' || fail "maintainer"

# One version everywhere: the project's, the package's, the program's own
# answer (without a display), the changelog's and the metadata's latest release.
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version), not $version"
answer=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$build/terminalkvr" --version) ||
  fail "terminalkvr --version failed"
[ "$answer" = "TerminalKVR $version" ] || fail "terminalkvr --version says '$answer'"
zcat "$tmp/root/usr/share/doc/terminalkvr/changelog.gz" | head -n 1 | grep -q "^terminalkvr ($version) " ||
  fail "changelog does not start with $version"
grep -q "<release version=\"$version\"" "$tmp/root/$metainfo" || fail "metadata lacks release $version"

# Each man page names the working folder and every file kept there.
for page in terminalkvr terminalkvr-launcher; do
  text=$(MANWIDTH=200 man -l "$tmp/root/$man/$page.1.gz" 2>&1 | tr -s " ") || fail "man $page: $text"
  for word in 'working folder' CmdConfig OldCmd NetPorts 'LOG_\*\.txt' 'rfc2217://HOST:PORT' 'tcp://HOST:PORT'; do
    printf '%s\n' "$text" | grep -q "$word" || fail "man page $page does not mention $word"
  done
done

skipped=""
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$tmp/root/$metainfo" || fail "appstreamcli validate"
else
  skipped="$skipped appstreamcli"
fi

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" || fail "lintian reports errors or warnings"
else
  skipped="$skipped lintian"
fi
if [ -n "$skipped" ]; then
  echo "SKIPPED: not installed:$skipped (sh tools/setup.sh installs them)"
  exit 77
fi
