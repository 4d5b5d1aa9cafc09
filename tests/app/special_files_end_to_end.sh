#!/usr/bin/env bash
# Special files in a searched folder, with every column of the results shown:
# a FIFO, a socket, a link to /dev/zero and (as root) a character device,
# each named .png .pdf .mp4 .plist .txt. On a virtual X server and a private
# session bus, with HOME and every XDG folder under a temporary folder, the
# real binary searches them by name twice and previews each with Space; every
# search and every preview must end. Then the application must quit within
# 2 s, after SIGTERM and, in a second launch, after Ctrl+Q.
#
#   special_files_end_to_end.sh SORVANT SHOTS
# Exit status 77 (skipped) when Xvfb, dbus-run-session or xdotool is missing.
set -euo pipefail

if [ "${1:-}" != "--inner" ]; then
  for tool in Xvfb dbus-run-session xdotool python3; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  exec dbus-run-session -- "$(dirname "$0")/with_xvfb.sh" 2560x1000x24 "$0" --inner "$@"
fi
shift
sorvant=$1 shots=$2
mkdir -p "$shots"
rm -f "$shots/special-failure.png"

root=$(mktemp -d)
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then
    kill -KILL "$app_pid" 2> /dev/null || true
    wait "$app_pid" 2> /dev/null || true
  fi
  rm -rf "$root"
}
trap cleanup EXIT
failure_shot=special-failure
source "$(dirname "${BASH_SOURCE[0]}")/end_to_end_support.sh"
use_private_environment
mkdir -p "$XDG_CONFIG_HOME/sorvant"

# The special files: a FIFO, a socket (bound, so its node stays), a link to
# /dev/zero, and where mknod is allowed a device like /dev/zero.
tree=$root/tree
mkdir -p "$tree"
count=0
for extension in png pdf mp4 plist txt; do
  mkfifo "$tree/clip-pipe.$extension"
  python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$tree/clip-socket.$extension"
  ln -s /dev/zero "$tree/clip-zero.$extension"
  count=$(( count + 3 ))
  if [ "$(id -u)" = 0 ] && mknod "$tree/clip-device.$extension" c 1 5 2> /dev/null; then
    count=$(( count + 1 ))
  fi
done

# Every column shown: the saved order names them all and none is hidden.
columns=
for column in file path size modified kind created info comment tags; do
  columns+="<string>$column</string>"
done
printf '%s\n' '<?xml version="1.0" encoding="UTF-8"?>' '<plist version="1.0">' '<dict>' \
  "<key>TableView Columns SearchTableColumns4-1</key><array>$columns</array>" \
  '<key>NSTableView Hidden Columns SearchTableColumns4-1</key><array/>' '</dict>' '</plist>' \
  > "$XDG_CONFIG_HOME/sorvant/org.tarrenbeck.Sorvant.plist"

export SORVANT_RESULTS_FILE=$root/results.txt
launch() {
  rm -f "$SORVANT_RESULTS_FILE"
  "$sorvant" "$tree" >> "$root/app.log" 2>&1 &
  app_pid=$!
  wait_for 20 xdotool search --onlyvisible --name '^Search$' > /dev/null || fail "no search window"
  window=$(xdotool search --onlyvisible --name '^Search$' | head -1)
  # Wide enough that every column is in view: the Info column's texts are
  # computed for the rows and columns shown.
  xdotool windowsize "$window" 2500 900
  xdotool windowactivate "$window" 2> /dev/null || xdotool windowfocus "$window"
  sleep 0.5
}
# Types PHRASE into the search field and waits for the shown results.
search() { # phrase
  rm -f "$SORVANT_RESULTS_FILE"
  xdotool windowfocus "$window"
  sleep 0.2
  xdotool key ctrl+f ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  wait_for 20 test -s "$SORVANT_RESULTS_FILE" || fail "the search for $1 did not end"
}
# Waits at most two seconds for the application to end after `signal`.
quits_within_two_seconds() { # what
  local started=$(date +%s%N)
  wait_for 2 bash -c "! kill -0 $app_pid 2> /dev/null" || fail "still running 2 s after $1"
  wait "$app_pid" 2> /dev/null || true
  echo "quit $(( ($(date +%s%N) - started) / 1000000 )) ms after $1"
  app_pid=
}

launch
search clip
[ "$(wc -l < "$SORVANT_RESULTS_FILE")" -eq "$count" ] || fail "the search showed $(wc -l < "$SORVANT_RESULTS_FILE") of $count"
sleep 0.5
shot special-files
search "clip-"
[ "$(wc -l < "$SORVANT_RESULTS_FILE")" -eq "$count" ] || fail "the second search showed another count"

# A preview of each result in turn: Down moves from the field into the
# results (the first row), Space opens the preview, Escape in the results
# closes it; the window must answer every key at once.
xdotool windowfocus "$window"
sleep 0.2
xdotool key Down
sleep 0.2
before=$(xdotool search --onlyvisible --name '.' | wc -l)
for (( row = 0; row < count; row++ )); do
  xdotool key space
  wait_for 5 visible_windows -gt "$before" || fail "Space opened no preview of row $row"
  xdotool key Escape
  wait_for 5 visible_windows -eq "$before" || fail "the preview of row $row did not close"
  xdotool key Down
done
kill -0 "$app_pid" || fail "the application went away"
search clip
kill -TERM "$app_pid"
quits_within_two_seconds SIGTERM

launch
search clip
xdotool windowfocus "$window"
sleep 0.2
xdotool key ctrl+q
quits_within_two_seconds Ctrl+Q
echo "special files: $count searched and previewed"
