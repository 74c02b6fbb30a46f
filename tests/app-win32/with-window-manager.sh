#!/bin/sh
# Runs a command with openbox managing the X display, started before it: wine leaves
# maximizing, activating and placing a framed window to the display's window manager
# (and waits for one where there is none). TARNWICK_WINDOW_MANAGER tells the command.
# Without openbox the command runs alone.
command -v openbox >/dev/null 2>&1 || exec "$@"
ready=$(mktemp -d)
openbox --startup "touch $ready/ready" >/dev/null 2>&1 &
manager=$!
tries=0
while [ ! -e "$ready/ready" ] && [ "$tries" -lt 100 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
[ -e "$ready/ready" ] && export TARNWICK_WINDOW_MANAGER=openbox
rm -rf "$ready"
status=0
"$@" || status=$?
kill "$manager" 2>/dev/null
exit "$status"
