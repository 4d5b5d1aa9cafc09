#!/usr/bin/env bash
# Special files in a searched folder, with every column of the results shown:
# a FIFO, a socket, a link to /dev/zero and (as root) a character device,
# each named .png .pdf .mp4 .plist .txt. On a virtual X server and a private
# session bus, with HOME and every XDG folder under a temporary folder, the
# real binary searches them by name twice and previews each with Space; every
# search and every preview must end. Then six sparse 6 GB files named .pdf
# join them, read for their page counts as they are shown, and the
# application must quit within 1.5 s, after SIGTERM and, in a second launch
# (in German), after Ctrl+Q; a sanitizer's build, several times slower,
# has as many times longer for it and for every wait.
#
#   special_files_end_to_end.sh SORVANT SHOTS [MANAGER]
# MANAGER: none (the default) or openbox. Exit status 77 (skipped) when
# Xvfb, dbus-run-session or xdotool is missing, or openbox when asked for.
set -euo pipefail

if [ "${1:-}" != "--inner" ]; then
  for tool in Xvfb dbus-run-session xdotool python3 truncate; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  [ "${3:-none}" = none ] || command -v openbox > /dev/null || { echo "skipped: openbox is not installed"; exit 77; }
  exec dbus-run-session -- "$(dirname "$0")/with_xvfb.sh" 2560x1000x24 "$0" --inner "$@"
fi
shift
sorvant=$1 shots=$2 manager=${3:-none}
[ "$manager" = none ] || shots=$shots/$manager
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
# A command that ends the script by failing says which it was (in a
# function too: -E).
set -E
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND (status $?)" >&2' ERR
failure_shot=special-failure
source "$(dirname "${BASH_SOURCE[0]}")/end_to_end_support.sh"
wait_scale=$(build_slowness "$sorvant")
if [ "$manager" = openbox ]; then
  start_openbox || fail "openbox did not start"
  trap 'cleanup; kill "$manager_pid" 2> /dev/null || true' EXIT
fi
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
# The environment of the application's language (none: the test's).
app_language=()
launch() {
  rm -f "$SORVANT_RESULTS_FILE"
  env "${app_language[@]}" "$sorvant" "$tree" >> "$root/app.log" 2>&1 &
  app_pid=$!
  wait_for 20 xdotool search --onlyvisible --name '^(Search|Suchen)$' > /dev/null || fail "no search window"
  window=$(xdotool search --onlyvisible --name '^(Search|Suchen)$' | head -1)
  # Wide enough that every column is in view: the Info column's texts are
  # computed for the rows and columns shown.
  xdotool windowsize "$window" 2500 900
  xdotool windowactivate "$window" 2> /dev/null || true
  focus_window "$window"
}
# Types PHRASE into the search field and waits for the shown results.
search() { # phrase
  rm -f "$SORVANT_RESULTS_FILE"
  focus_window "$window"
  xdotool key ctrl+f ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  wait_for 20 test -s "$SORVANT_RESULTS_FILE" || fail "the search for $1 did not end"
}
# Sends `signal` (or presses Ctrl+Q) and waits at most 1.5 s (times the
# build's slowness) for the application to end.
quits_at_once() { # TERM or ctrl+q
  local started=$(date +%s%N) elapsed bound=$(( 1500 * wait_scale ))
  if [ "$1" = ctrl+q ]; then xdotool key ctrl+q; else kill -"$1" "$app_pid"; fi
  while kill -0 "$app_pid" 2> /dev/null; do
    elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
    [ "$elapsed" -lt "$bound" ] || fail "still running $elapsed ms after $1 (bound $bound ms)"
    sleep 0.02
  done
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
focus_window "$window"
xdotool key Down
before=$(xdotool search --onlyvisible --name '.' | wc -l)
for (( row = 0; row < count; row++ )); do
  xdotool key space
  wait_for 5 visible_windows -gt "$before" || fail "Space opened no preview of row $row"
  xdotool key Escape
  wait_for 5 visible_windows -eq "$before" || fail "the preview of row $row did not close"
  xdotool key Down
done
kill -0 "$app_pid" || fail "the application went away"

# Six sparse 6 GB files named .pdf, without the index a reader counts pages
# by: read whole, each would hold a reader for about a minute. The Info
# column of the rows in view asks for their page counts.
for (( big = 1; big <= 6; big++ )); do
  truncate -s 6G "$tree/clip_big$big.pdf"
done
count=$(( count + 6 ))
settled=no
search clip
[ "$(wc -l < "$SORVANT_RESULTS_FILE")" -eq "$count" ] || fail "the search with the large files showed another count"
# While their pages are being counted, and once each has said it could not
# count them: English by SIGTERM, German by Ctrl+Q.
sleep 0.3
quits_at_once TERM
for language in de en de; do
  if [ "$language" = de ]; then app_language=(LANGUAGE=de LANG=de_DE.UTF-8 LC_CTYPE=C.UTF-8); else app_language=(); fi
  launch
  search clip
  if [ "$settled" = yes ]; then
    sleep 4
    shot "special-files-large-pdfs-$language"
  else
    sleep 0.3
  fi
  focus_window "$window"
  if [ "$language" = de ]; then quits_at_once ctrl+q; else quits_at_once TERM; fi
  settled=yes
done
echo "special files: $count searched, $(( count - 6 )) previewed"
