#!/bin/sh
# What the benchmarks need beyond the test set-up (tools/setup.sh), kept
# apart so that CI does not install it: the GUI peers, an X server with a
# window manager, X input for typed keys, and the profiler.
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get -o DPkg::Lock::Timeout=600 install -y --no-install-recommends \
    gtkterm cutecom xvfb xauth openbox xdotool picocom tmux linux-perf heaptrack
