#!/usr/bin/env bash
# with_xvfb.sh SCREEN COMMAND...: runs COMMAND on a virtual X server of its
# own, SCREEN as Xvfb's "-screen 0" takes it ("1440x900x24"). Xvfb chooses a
# free display itself and says which once it is ready (-displayfd): runs
# started at once never share one, as xvfb-run's guess of a free number can.
# The server never resets when its last client leaves (-noreset): a program
# started while it resets finds no display, which a loaded machine made
# happen between one launch of the application and the next.
set -u
screen=$1; shift
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -noreset 3> "$dir/display" 2> "$dir/xvfb.log" &
xvfb=$!
for (( i = 0; i < 200; i++ )); do
  grep -q '^[0-9][0-9]*$' "$dir/display" 2> /dev/null && break
  kill -0 "$xvfb" 2> /dev/null || break
  sleep 0.05
done
if ! grep -q '^[0-9][0-9]*$' "$dir/display" 2> /dev/null; then
  echo "with_xvfb: the X server did not start" >&2
  cat "$dir/xvfb.log" >&2
  kill "$xvfb" 2> /dev/null
  rm -rf "$dir"
  exit 1
fi
DISPLAY=:$(cat "$dir/display")
export DISPLAY
"$@"
status=$?
kill "$xvfb" 2> /dev/null
wait "$xvfb" 2> /dev/null
rm -rf "$dir"
exit "$status"
