#!/usr/bin/env bash
# The preview beside searches, as a person uses them. On a virtual X server
# and a private session bus, with HOME and every XDG folder under a
# temporary folder, the real binary searches a folder of damaged PDFs of
# 6 GB each (sparse files: a PDF header, then nothing), opens the preview
# with Space and moves down through all of them; then a second launch names
# another folder and phrase, and Return there must list its results at once
# (within 10 s; the time taken is printed), not after the previews' reads.
# Last, Ctrl+N opens a second window whose search is previewed: the preview
# must be transient for that window (WM_TRANSIENT_FOR), not the first.
#
#   preview_end_to_end.sh SORVANT SHOTS [MANAGER] [COUNT]
# MANAGER: none (the default) or openbox. COUNT: how many damaged PDFs
# (10). Exit status 77 (skipped) when Xvfb, dbus-run-session, xdotool,
# xprop or truncate is missing, or openbox when asked for.
set -euo pipefail

if [ "${1:-}" != "--inner" ]; then
  for tool in Xvfb dbus-run-session xdotool xprop truncate; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  [ "${3:-none}" = none ] || command -v openbox > /dev/null || { echo "skipped: openbox is not installed"; exit 77; }
  exec dbus-run-session -- "$(dirname "$0")/with_xvfb.sh" 1440x900x24 "$0" --inner "$@"
fi
shift
sorvant=$1 shots=$2 manager=${3:-none} pdfs=${4:-10}
[ "$manager" = none ] || shots=$shots/$manager
mkdir -p "$shots"
rm -f "$shots/preview-failure.png"

root=$(mktemp -d)
app_pid=
cleanup() {
  if [ -n "$app_pid" ]; then
    kill -KILL "$app_pid" 2> /dev/null || true
    wait "$app_pid" 2> /dev/null || true
  fi
  # The sparse files first: they stand for gigabytes on a full disk.
  rm -f "$root"/damaged/*.pdf
  rm -rf "$root"
}
trap cleanup EXIT
# A command that ends the script by failing says which it was (in a
# function too: -E).
set -E
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND (status $?)" >&2' ERR
failure_shot=preview-failure
source "$(dirname "${BASH_SOURCE[0]}")/end_to_end_support.sh"
wait_scale=$(build_slowness "$sorvant")
if [ "$manager" = openbox ]; then
  start_openbox || fail "openbox did not start"
  trap 'cleanup; kill "$manager_pid" 2> /dev/null || true' EXIT
fi
use_private_environment

damaged=$root/damaged other=$root/other
mkdir -p "$damaged" "$other"
for (( i = 0; i < pdfs; i++ )); do
  printf '%%PDF-1.4\n' > "$damaged/damaged$i.pdf"
  truncate -s 6G "$damaged/damaged$i.pdf"
done
for name in other-1.txt other-2.txt other-3.txt; do
  echo "$name" > "$other/$name"
done

export SORVANT_RESULTS_FILE=$root/results.txt
"$sorvant" "$damaged" >> "$root/app.log" 2>&1 &
app_pid=$!
wait_for 20 xdotool search --onlyvisible --name '^Search$' > /dev/null || fail "no search window"
window=$(xdotool search --onlyvisible --name '^Search$' | head -1)
xdotool windowactivate --sync "$window" 2> /dev/null || xdotool windowfocus --sync "$window"

# Types PHRASE into the focused window's search field and waits for its
# results file to hold `lines` lines.
search() { # phrase lines
  rm -f "$SORVANT_RESULTS_FILE"
  xdotool key ctrl+f ctrl+a
  xdotool type --delay 20 "$1"
  xdotool key Return
  wait_for 20 test -s "$SORVANT_RESULTS_FILE" || fail "the search for $1 did not end"
  [ "$(wc -l < "$SORVANT_RESULTS_FILE")" -eq "$2" ] || fail "the search for $1 showed $(wc -l < "$SORVANT_RESULTS_FILE") of $2"
}
# The id of the shown window named exactly NAME; empty when none is.
window_named() { xdotool search --onlyvisible --name "^$1\$" 2> /dev/null | head -1; }
# Whether a window named exactly NAME is shown (asked anew at each call).
shows_window() { [ -n "$(window_named "$1")" ]; }

search damaged "$pdfs"
# Down from the field selects the first row; Space opens its preview; each
# Down moves the preview on, leaving a read of 6 GB behind.
xdotool key Down space
wait_for 10 shows_window damaged0.pdf || fail "Space opened no preview"
for (( i = 1; i < pdfs; i++ )); do
  xdotool key Down
done
last=damaged$(( pdfs - 1 )).pdf
wait_for 10 shows_window "$last" || fail "the preview did not follow to $last"
shot preview-damaged-pdfs

# Another folder and phrase, from a second launch (to the last window
# opened), then Return in WINDOW until the search runs there: the
# destination is set once its folder is tested, and a search in the former
# one finds nothing. Each Return waits for its search to end (the window
# writes the results file then, empty for no result), so a slow search is
# never restarted.
listed() { [ -s "$SORVANT_RESULTS_FILE" ] && grep -q "^$other/other-1.txt\$" "$SORVANT_RESULTS_FILE"; }
search_other_folder() { # window
  rm -f "$SORVANT_RESULTS_FILE"
  "$sorvant" --search-in "$other" --search-for other >> "$root/app.log" 2>&1 || fail "the second launch failed"
  xdotool windowactivate --sync "$1" 2> /dev/null || xdotool windowfocus --sync "$1"
  local tries=0
  until listed; do
    (( tries++ < 20 )) || fail "the search in $other listed nothing"
    rm -f "$SORVANT_RESULTS_FILE"
    xdotool key ctrl+f Return
    wait_for 20 test -e "$SORVANT_RESULTS_FILE" || fail "a search in the window did not end"
  done
}
started=$(date +%s%N)
search_other_folder "$window"
elapsed=$(( ($(date +%s%N) - started) / 1000000 ))
echo "the search in another folder listed its results $elapsed ms after the second launch, behind $pdfs previews"
[ "$elapsed" -lt 10000 ] || fail "the search in another folder took $elapsed ms"
shot preview-then-search

# A second window: its search, previewed, owns the preview.
first_preview=$(window_named 'other-[0-9].txt' || true)
# The first window is named after its phrase now; the new one "Search".
xdotool key ctrl+n
wait_for 10 shows_window Search || fail "Ctrl+N opened no window"
second=$(window_named Search)
search_other_folder "$second"
[ "$(wc -l < "$SORVANT_RESULTS_FILE")" -eq 3 ] || fail "the second window's search showed another count"
xdotool key Down
wait_for 10 shows_window other-1.txt || fail "the preview did not show the second window's row"
preview=$(window_named other-1.txt)
transient_for() { xprop -id "$preview" WM_TRANSIENT_FOR 2> /dev/null | grep -o '0x[0-9a-f]*' | head -1; }
transient_for_second() { [ "$(( $(transient_for) ))" -eq "$(( second ))" ]; }
wait_for 10 transient_for_second \
  || fail "the preview is transient for $(transient_for), not the second window $(printf '0x%x' "$second") (first: $(printf '0x%x' "$window"), preview before: ${first_preview:-none})"
shot preview-second-window
echo "preview: $pdfs damaged PDFs previewed; the preview follows the second window"
