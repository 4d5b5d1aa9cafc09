#!/usr/bin/env bash
# The application as a person uses it: on a virtual X server and a private
# session bus, with HOME and every XDG folder under a temporary folder, the
# real binary is launched, a phrase typed and searched; the table's results
# must equal the headless driver's on the same tree. A second launch is
# forwarded to the first; the preferences switch "Quit on close" on, closing
# the window quits, and the defaults file holds what the window saved.
# Screenshots go to SHOTS.
#
#   end_to_end.sh SORVANT SORVANT_SEARCH SHOTS
# Exit status 77 (skipped) when xvfb-run, dbus-run-session or xdotool is missing.
set -euo pipefail

if [ "${1:-}" != "--inner" ]; then
  for tool in xvfb-run dbus-run-session xdotool dbus-send; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x900x24" "$0" --inner "$@"
fi
shift
sorvant=$1 driver=$2 shots=$3
mkdir -p "$shots"
rm -f "$shots/failure.png"

root=$(mktemp -d)
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then
    kill "$app_pid" 2> /dev/null || true
    wait "$app_pid" 2> /dev/null || true
  fi
  rm -rf "$root"
}
trap cleanup EXIT
export HOME=$root/home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache \
  XDG_STATE_HOME=$HOME/.local/state XDG_RUNTIME_DIR=$root/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/Trash/files" "$XDG_DATA_HOME/Trash/info" "$XDG_CACHE_HOME" \
  "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# What would open is recorded, never opened.
mkdir -p "$root/bin"
for opener in xdg-open gio; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/opened.log"\n' "$opener" "$root" > "$root/bin/$opener"
  chmod +x "$root/bin/$opener"
done
export PATH=$root/bin:$PATH

tree=$root/tree
mkdir -p "$tree/docs/old" "$tree/src" "$tree/.hidden"
for name in report.txt "Report 2026.md" notes.txt src/report.c src/main.c docs/old/reports docs/readme \
  .hidden/report.txt; do
  echo "text" > "$tree/$name"
done
mkdir -p "$tree/docs/reporting"

fail() {
  echo "FAIL: $*" >&2
  import -window root "$shots/failure.png" 2> /dev/null || true
  exit 1
}
shot() { command -v import > /dev/null && import -window root "$shots/$1.png" || true; }
wait_for() { # seconds command...
  local limit=$(( $1 * 10 )); shift
  for (( i = 0; i < limit; i++ )); do "$@" && return 0; sleep 0.1; done
  return 1
}
call() {
  dbus-send --session --print-reply --dest=org.tarrenbeck.Sorvant /org/tarrenbeck/Sorvant "$@"
}

export SORVANT_RESULTS_FILE=$root/results.txt
"$sorvant" "$tree" > "$root/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --name '^Search$' > /dev/null || fail "no search window"
window=$(xdotool search --name '^Search$' | head -1)
xdotool windowactivate "$window" 2> /dev/null || xdotool windowfocus "$window"
sleep 0.5
shot idle

xdotool type --delay 20 report
xdotool key Return
wait_for 20 test -s "$SORVANT_RESULTS_FILE" || fail "the search did not end"
sleep 0.3
shot results

"$driver" --ignore-case --mode phrase report "$tree" | sort > "$root/expected.txt" || true
sort "$SORVANT_RESULTS_FILE" > "$root/shown.txt"
diff -u "$root/expected.txt" "$root/shown.txt" || fail "the window's results differ from the driver's"
[ "$(wc -l < "$root/shown.txt")" -ge 4 ] || fail "too few results"
call org.tarrenbeck.Sorvant.Search.ResultPaths | sed -n 's/^ *string "\(.*\)"$/\1/p' | sort > "$root/bus.txt"
diff -u "$root/shown.txt" "$root/bus.txt" || fail "the bus answers other results"

# Down moves from the field into the results and selects the first row;
# Delete moves it to the Trash and out of the table.
xdotool key Down
sleep 0.3
xdotool key Delete
wait_for 5 bash -c "ls -A '$XDG_DATA_HOME/Trash/files' | grep -q ." || fail "nothing went to the Trash"
first=$(grep -F "/$(ls -A "$XDG_DATA_HOME/Trash/files" | head -1)" "$root/shown.txt" | head -1)
[ ! -e "$first" ] || fail "the trashed item is still there"
call org.tarrenbeck.Sorvant.Search.ResultPaths | grep -qF "\"$first\"" && fail "the trashed item is still listed"
shot trashed

# Shift+Delete asks before deleting; Escape answers Cancel.
xdotool key Down
sleep 0.2
xdotool key shift+Delete
sleep 0.5
shot delete-confirmation
xdotool key Escape
sleep 0.3
[ "$(call org.tarrenbeck.Sorvant.Search.ResultPaths | grep -c 'string "')" -eq "$(( $(wc -l < "$root/shown.txt") - 1 ))" ] \
  || fail "Cancel deleted something"

# Space in the results opens the preview of the selected item; Escape closes it.
xdotool windowfocus "$window"
sleep 0.2
before=$(xdotool search --onlyvisible --name '.' | wc -l)
xdotool key space
wait_for 5 bash -c "[ \$(xdotool search --onlyvisible --name '.' | wc -l) -gt $before ]" || fail "Space opened no preview"
sleep 0.5
shot preview
xdotool key Escape
sleep 0.3

# The preferences: "Quit when the last window closes" is off on a fresh home.
# (Without a window manager nothing gives the focus back after a dialog.)
xdotool windowfocus "$window"
sleep 0.2
xdotool key ctrl+comma
wait_for 5 xdotool search --name '^Preferences$' > /dev/null || fail "no preferences"
sleep 0.3
shot preferences
xdotool key space
defaults=$XDG_CONFIG_HOME/sorvant/org.tarrenbeck.Sorvant.plist
wait_for 5 grep -q -A1 '<key>QuitOnClose</key>' "$defaults" || fail "Quit on close was not saved"
grep -A1 '<key>QuitOnClose</key>' "$defaults" | grep -q true || fail "Quit on close is not on"
xdotool key Escape

# The content lists open in a drawer beside the results (Ctrl+Shift+L); a
# click switches the first list off, and closing the drawer saves it. The
# same search again still equals the driver's. The destination menu opens
# from the keyboard (Ctrl+D).
xdotool windowfocus "$window"
sleep 0.2
xdotool key ctrl+shift+l
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$window")"
# The drawer is the window's right 320 pixels; its first list's box sits
# at its left, below the drawer's title.
xdotool mousemove $(( X + WIDTH - 320 + 20 )) $(( Y + 46 )) click 1
sleep 0.3
shot drawer
xdotool key ctrl+shift+l
on1() { grep -A1 '<key>fileExtOn1</key>' "$defaults" | grep -q false; }
wait_for 5 on1 || fail "closing the content lists did not save the first list off"
grep -A1 '<key>fileExtOn2</key>' "$defaults" | grep -q true || fail "the second content list went off"
rm -f "$SORVANT_RESULTS_FILE"
xdotool key ctrl+f Return
wait_for 20 test -s "$SORVANT_RESULTS_FILE" || fail "the second search did not end"
"$driver" --ignore-case --mode phrase report "$tree" | sort > "$root/expected.txt" || true
sort "$SORVANT_RESULTS_FILE" > "$root/again.txt"
diff -u "$root/expected.txt" "$root/again.txt" || fail "the second search differs from the driver's"
xdotool key ctrl+d
sleep 0.4
shot destination-menu
xdotool key Escape
sleep 0.2

# A second launch hands its folder to the first process and ends at once.
timeout 10 "$sorvant" --search-in "$tree/src/main.c" || fail "the second launch did not end"
kill -0 "$app_pid" || fail "the first process went away"
[ "$(xdotool search --name '^report$|^Search$' | wc -l)" -eq 1 ] || fail "a second window opened"

# Closing the last window quits (Quit on close is on), and the window's
# settings are in the defaults file.
xdotool windowfocus "$window"
sleep 0.2
xdotool key ctrl+w
wait_for 10 bash -c "! kill -0 $app_pid 2> /dev/null" || fail "closing the last window did not quit"
app_pid=
for key in SearchWhat SearchOperator SearchLocation SearchSorting-1 fileExt1; do
  grep -q "<key>$key</key>" "$defaults" || fail "the defaults lack $key"
done
grep -A1 '<key>SearchLocation</key>' "$defaults" | grep -q "$tree/src" || fail "the forwarded folder was not saved"
echo "end-to-end: $(wc -l < "$root/shown.txt") results; screenshots in $shots"
