#!/bin/sh
# terminalkvr-run as a CI job runs it: a plain shell, a pseudo-terminal pair
# from socat, and chat(8) playing the modem on the far end (with its echo
# and an unsolicited RING). Usage: chat_peer.sh path/to/terminalkvr-run
set -u
run=$1
PATH=$PATH:/usr/sbin:/sbin
for tool in chat socat; do
    command -v $tool >/dev/null || { echo "SKIPPED: needs $tool"; exit 77; }
done
dir=$(mktemp -d)
trap 'kill $socat 2>/dev/null; rm -rf "$dir"' EXIT
socat pty,raw,echo=0,link="$dir/port" pty,raw,echo=0,link="$dir/modem" &
socat=$!
for _ in $(seq 50); do [ -e "$dir/modem" ] && [ -e "$dir/port" ] && break; sleep 0.1; done
fail=0
check() { # name expected-status actual-status
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAILED: $1: status $3, wanted $2"; fail=1; fi
}

# The README's example against a modem that echoes and rings first.
chat -t 5 'AT' 'AT\r\r\nOK\r\n\c' 'ATI' 'ATI\r\r\nRING\r\n\r\nModem 1.0\r\n\r\nOK\r\n\c' \
    <"$dir/modem" >"$dir/modem" &
modem=$!
"$run" -b 9600 -e '^OK' "$dir/port" AT ATI >"$dir/out" 2>"$dir/err"
check "echo and RING, then OK" 0 $?
wait $modem

# ERROR is passed over until --abort names it.
chat -t 5 'AT' '\r\nERROR\r\n\c' <"$dir/modem" >"$dir/modem" &
modem=$!
"$run" -e '^OK' -t 500 "$dir/port" AT >/dev/null 2>&1
check "ERROR without --abort waits out -t" 3 $?
wait $modem
chat -t 5 'AT' '\r\nERROR\r\n\c' <"$dir/modem" >"$dir/modem" &
modem=$!
"$run" -e '^OK' --abort '^ERROR$' -t 5000 "$dir/port" AT >/dev/null 2>&1
check "ERROR with --abort" 4 $?
wait $modem

# A reader that quits: a status of the contract, not SIGPIPE's 141.
chat -t 5 'AT' '\r\nOK\r\n\c' <"$dir/modem" >"$dir/modem" &
modem=$!
status=$({ "$run" -t 2000 "$dir/port" AT ATI 2>/dev/null; echo $? >"$dir/status"; } | head -c 1 >/dev/null; cat "$dir/status")
check "reader that quits" 5 "$status"
wait $modem
exit $fail
