#!/bin/sh
# The terminal beside GtkTerm and CuteCom under Xvfb with a window manager
# (openbox), as users run them. Needs sh bench/setup.sh and a Release build
# with -DTERMINAL_BENCH=ON. Usage: sh bench/peers.sh BUILD_DIR [peers options]
# e.g. sh bench/peers.sh build-bench quick, or flood=20 steady=20 idle=60.
set -e
build=${1:-build-bench}
[ $# -gt 0 ] && shift
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    openbox >/dev/null 2>&1 & wm=$!
    sleep 1
    "$0" peers "$@"; status=$?
    kill $wm
    exit $status' "$build/bench/terminal_bench" "$@"
