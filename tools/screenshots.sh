#!/bin/sh
# Screenshots of the main window at the design width, 200 pixels wider and
# 100 narrower, in each colour step, and of the about and port-error windows.
# Runs the program under Xvfb (no window manager, so no frames) and clicks
# its buttons with xdotool.
#
#   sh tools/screenshots.sh [program] [output folder]
#
# Needs: apt-get install -y xvfb xauth xdotool imagemagick
set -eu

if [ "${1:-}" != "--inside" ]; then
    script=$(realpath "$0")
    program=$(realpath "${1:-build/terminalkvr}")
    out=$(realpath -m "${2:-build/screenshots}")
    mkdir -p "$out"
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    cd "$work"
    ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -n $((100 + $$ % 500)) -s "-screen 0 1400x1000x24" sh "$script" --inside "$program" "$out"
    ls "$out"
    exit 0
fi

program=$2
out=$3
"$program" &
pid=$!

# Windows named $1 that are mapped, with their widths: "id width" lines.
windows() {
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        echo "$id $(xdotool getwindowgeometry "$id" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')"
    done
}

# The main window: wait for it, pressing Enter on any message box of the
# startup (a first run rebuilds the macro store and says so).
main=""
for _ in $(seq 100); do
    main=$(windows TerminalKVR | awk '$2 == 952 { print $1 }' | head -n 1)
    others=$(windows TerminalKVR | awk '$2 != 952' | wc -l)
    if [ "$others" -gt 0 ]; then xdotool key Return; fi
    if [ -n "$main" ] && [ "$others" -eq 0 ]; then break; fi
    sleep 0.2
done
[ -n "$main" ] || { echo "main window not found" >&2; kill "$pid"; exit 1; }
sleep 1
# Some text in the command line, to show the text colour.
xdotool mousemove --window "$main" 100 475 click 1 type 'AT+VERSION?'

shot() { import -window "$1" "$out/$2.png"; }

# Positions in the window's client area at the design width; the top bar's
# right-hand group moves with the width change.
for dw in 0 200 -100; do
    xdotool windowsize "$main" $((952 + dw)) 770
    sleep 0.7
    name="main-$(printf '%+d' "$dw" | tr '+-' 'pm')"
    # The start colours once; then each of the cycle's six schemes.
    if [ "$dw" -eq 0 ]; then shot "$main" "$name-start"; fi
    for step in 1 2 3 4 5 6; do
        xdotool mousemove --window "$main" $((4 + 732 + dw + 24)) 6 click 1
        sleep 0.3
        shot "$main" "$name-colours$step"
    done
done
xdotool windowsize "$main" 952 770
sleep 0.5

# The about window, then the port-error window (a send with no port open).
xdotool mousemove --window "$main" $((4 + 884 + 26)) 12 click 1
sleep 1
info=$(windows Info | head -n 1 | cut -d' ' -f1)
shot "$info" info
xdotool windowfocus --sync "$info" key Escape
sleep 0.5
xdotool mousemove --window "$main" $((4 + 800 + 64)) $((459 + 32 + 16)) click 1
sleep 1
error=$(windows OpenPortError | head -n 1 | cut -d' ' -f1)
shot "$error" open-port-error
xdotool windowfocus --sync "$error" key Escape
sleep 0.5

# Editor mode, then the macro editor on macro 1 with a name, a command and
# two description lines typed in; the description panel follows the typing.
xdotool mousemove --window "$main" $((4 + 302 + 40)) $((459 + 32 + 16)) click 1
sleep 0.5
shot "$main" main-editor
xdotool mousemove --window "$main" $((4 + 8 + 40)) $((459 + 72 + 12)) click --repeat 2 1
sleep 1
editor=$(windows 'Редактор макроса' | head -n 1 | cut -d' ' -f1)
xdotool windowfocus --sync "$editor"
for field in NAME 'AT+VERSION?' 'Title line' 'second line'; do
    xdotool type "$field"
    xdotool key Return
done
sleep 0.3
shot "$editor" macro-editor
shot "$main" main-editor-description
xdotool windowfocus --sync "$editor" key Escape
sleep 0.5
kill "$pid"
