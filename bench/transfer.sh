#!/bin/sh
# A file sent to lrzsz's receivers over a pseudo-terminal pair, by
# terminalkvr-run and by lrzsz's own senders, in the same run: XMODEM-1K to
# `rx` and YMODEM to `rb`. Prints seconds and CPU seconds per MB of each and
# whether the received file is byte-equal (XMODEM: the sent bytes plus the
# last block's SUB padding).
#   sh bench/transfer.sh RUNNER [MB [LIMIT_S]]   RUNNER: a Release build's terminalkvr-run
set -eu
runner=${1:?path to terminalkvr-run}
mb=${2:-4}
# lrzsz's senders have been seen to wait for ever for the receiver's last
# answer on a pseudo-terminal; a sender still running after this is cut off
# and its row says so.
limit=${3:-120}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
head -c $((mb * 1024 * 1024)) /dev/urandom > "$work/image.bin"

pair() {
    socat pty,raw,echo=0,link="$work/dev" pty,raw,echo=0,link="$work/far" 2>/dev/null &
    pair_pid=$!
    while [ ! -e "$work/dev" ] || [ ! -e "$work/far" ]; do sleep 0.05; done
}
unpair() { kill "$pair_pid" 2>/dev/null || true; wait "$pair_pid" 2>/dev/null || true; rm -f "$work/dev" "$work/far"; }

# One sender against one receiver; prints "seconds cpu_seconds equal".
round() { # receiver_cmd sender_kind protocol
    rm -rf "$work/in" && mkdir "$work/in"
    pair
    (cd "$work/in" && exec $1 < "$work/far" > "$work/far" 2>/dev/null) &
    rpid=$!
    sleep 0.3
    if [ "$2" = ours ]; then
        /usr/bin/time -f "%e %U %S" -o "$work/t" timeout "$limit" "$runner" -q -b 4000000 --send-file "$work/image.bin" \
            --protocol "$3" "$work/dev" > /dev/null 2>&1 || true
    elif [ "$3" = ymodem ]; then
        /usr/bin/time -f "%e %U %S" -o "$work/t" timeout "$limit" sh -c "sb -q '$work/image.bin' < '$work/dev' > '$work/dev'" || true
    else
        /usr/bin/time -f "%e %U %S" -o "$work/t" timeout "$limit" sh -c "sx -k -q '$work/image.bin' < '$work/dev' > '$work/dev'" || true
    fi
    kill "$rpid" 2>/dev/null || true
    wait "$rpid" 2>/dev/null || true
    unpair
    got=$(ls "$work/in" | head -n 1)
    equal=no
    if [ -n "$got" ]; then
        size=$(stat -c %s "$work/image.bin")
        if cmp -s -n "$size" "$work/image.bin" "$work/in/$got"; then
            extra=$(($(stat -c %s "$work/in/$got") - size))
            [ "$extra" -ge 0 ] && [ "$extra" -lt 1024 ] && equal=yes
        fi
    fi
    set -- $(tail -n 1 "$work/t")
    [ "${1%.*}" -ge "$limit" ] && equal="$equal, sender cut off after $limit s (its CPU not counted)"
    echo "$1 $(echo "$2 + $3" | bc) $equal"
}

printf '%-22s %10s %10s %10s %10s %s\n' "$mb MB" "s" "s/MB" "CPU s" "CPU s/MB" "byte-equal"
for case in ${TRANSFER_CASES:-"xmodem1k:rx -c -q image.bin:XMODEM-1K to rx" "ymodem:rb -q:YMODEM to rb"}; do
    protocol=${case%%:*}
    rest=${case#*:}
    receiver=${rest%%:*}
    label=${rest#*:}
    for kind in ours lrzsz; do
        set -- $(round "$receiver" "$kind" "$protocol")
        seconds=$1 cpu=$2
        shift 2
        name="terminalkvr-run"
        [ "$kind" = lrzsz ] && name=$([ "$protocol" = ymodem ] && echo "sb" || echo "sx -k")
        printf '%-22s %10s %10.2f %10s %10.4f %s\n' "$label, $name" "$seconds" "$(echo "$seconds / $mb" | bc -l)" \
            "$cpu" "$(echo "$cpu / $mb" | bc -l)" "$*"
    done
done
echo "goal: terminalkvr-run at least as fast as lrzsz's sender, at no more CPU per MB"
