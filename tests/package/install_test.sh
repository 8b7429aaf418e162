#!/bin/sh
# Installs the build into a scratch prefix and checks what a user gets there.
set -eu
cmake=$1 build=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

p=$tmp/prefix
"$cmake" --install "$build" --prefix "$p" >/dev/null
for program in terminalkvr terminalkvr-run; do
  file -b "$p/bin/$program" | grep -q '^ELF .*executable' || fail "bin/$program is not a program"
done
[ -f "$p/share/man/man1/terminalkvr-run.1.gz" ] || fail "man page terminalkvr-run(1) not installed"
# The command for scripts runs without a window system: no Qt Gui or Widgets.
needed=$(readelf -d "$p/bin/terminalkvr-run" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
printf '%s\n' "$needed" | grep -q '^libQt6Core' || fail "terminalkvr-run: no libQt6Core among: $needed"
if printf '%s\n' "$needed" | grep -q '^libQt6\(Gui\|Widgets\)'; then fail "terminalkvr-run needs Qt Gui or Widgets: $needed"; fi

desktop=$p/share/applications/terminalkvr.desktop
report=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$report" ] || fail "desktop entry: $report"
grep -qx 'Name=TerminalKVR' "$desktop" || fail "menu name"
grep -qx 'Comment\[ru\]=Терминал для работы с COM-портом' "$desktop" || fail "Russian comment"
icon=$(sed -n 's/^Icon=//p' "$desktop")
file -b "$p/share/icons/hicolor/scalable/apps/$icon.svg" | grep -q SVG || fail "icon $icon"

# The menu's command, run with a stand-in program that notes where it started:
# XDG_DATA_HOME value | folder the program must start in (created if missing).
printf '#!/bin/sh\npwd >"%s/started-in"\n' "$tmp" >"$p/bin/terminalkvr"
command=$(sed -n 's/^Exec=//p' "$desktop")
while IFS='|' read -r data expected; do
  rm -f "$tmp/started-in"
  (cd "$tmp" && HOME=$tmp/home XDG_DATA_HOME=$data PATH=$p/bin:$PATH sh -c "$command") ||
    fail "menu command failed with XDG_DATA_HOME='$data'"
  [ "$(cat "$tmp/started-in")" = "$expected" ] ||
    fail "XDG_DATA_HOME='$data': started in $(cat "$tmp/started-in"), not $expected"
done <<TABLE
$tmp/data|$tmp/data/terminalkvr
|$tmp/home/.local/share/terminalkvr
relative/dir|$tmp/home/.local/share/terminalkvr
TABLE
