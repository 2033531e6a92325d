#!/bin/sh
# Runs a command on a private Xvfb display: starts Xvfb, which names its
# display through -displayfd, runs the command with DISPLAY set to it under a
# time limit, and stops the server again whatever happened.
# Usage: run_with_xvfb.sh <Xvfb> <command> [arguments...]
# The screen is 1024x768x24 unless ZAW_XVFB_SCREEN names another.
set -u
xvfb="$1"
shift
work=$(mktemp -d)
"$xvfb" -displayfd 3 -screen 0 "${ZAW_XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$work/display" \
    2>"$work/xvfb.log" &
server=$!
stop() {
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
    rm -rf "$work"
}
tries=0
while [ ! -s "$work/display" ] && [ $tries -lt 200 ]; do
    if ! kill -0 "$server" 2>/dev/null; then break; fi
    sleep 0.05
    tries=$((tries + 1))
done
if [ ! -s "$work/display" ]; then
    echo "run_with_xvfb: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    stop
    exit 1
fi
DISPLAY=":$(head -n 1 "$work/display")"
export DISPLAY
timeout 60 "$@"
status=$?
stop
exit $status
