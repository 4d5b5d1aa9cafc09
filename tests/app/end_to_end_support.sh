# Helpers of the end-to-end scripts (end_to_end.sh, special_files_end_to_end.sh),
# sourced inside their virtual X server and session bus. Before sourcing, a
# script sets `root` (its temporary folder) and `shots` (where screenshots
# go), and may set `failure_shot` (the failure's screenshot name, without
# ".png"; "failure" when unset).

# HOME and every XDG folder under $root, Qt on the X server, and xdg-open
# and gio recording what would open in $root/opened.log instead of opening it.
use_private_environment() {
  export HOME=$root/home
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache \
    XDG_STATE_HOME=$HOME/.local/state XDG_RUNTIME_DIR=$root/run
  mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR"
  chmod 700 "$XDG_RUNTIME_DIR"
  unset QT_QPA_PLATFORM
  mkdir -p "$root/bin"
  local opener
  for opener in xdg-open gio; do
    printf '#!/bin/sh\necho "%s $*" >> "%s/opened.log"\n' "$opener" "$root" > "$root/bin/$opener"
    chmod +x "$root/bin/$opener"
  done
  export PATH=$root/bin:$PATH
}

# Says what failed, with the end of the application's log and a screenshot.
fail() {
  echo "FAIL: $*" >&2
  tail -n 30 "$root/app.log" >&2 2> /dev/null || true
  import -window root "$shots/${failure_shot:-failure}.png" 2> /dev/null || true
  exit 1
}
shot() { command -v import > /dev/null && import -window root "$shots/$1.png" || true; }
# How many times slower than an optimised build PROGRAM runs: 5 when it is
# built with a sanitizer (its runtime linked), 1 otherwise.
build_slowness() { # program
  if ldd "$1" 2> /dev/null | grep -q 'lib[at]san'; then echo 5; else echo 1; fi
}
# The factor wait_for stretches its bounds by; a script that drives a
# sanitizer's build sets it to that build's slowness.
wait_scale=1
# Runs the command every 0.1 s until it succeeds; fails after `seconds`
# (times wait_scale) without it succeeding. The command is tried once more
# at the bound, so a slow try at the end still counts.
wait_for() { # seconds command...
  local limit=$(( $1 * 10 * wait_scale )) try; shift
  for (( try = 0; try < limit; try++ )); do "$@" && return 0; sleep 0.1; done
  "$@"
}
# Whether the number of visible named windows compares to `count`.
visible_windows() { # test-operator count
  [ "$(xdotool search --onlyvisible --name '.' | wc -l)" "$1" "$2" ]
}
# Starts openbox, its process id in `manager_pid`, and waits (10 s at most)
# until it manages the screen.
start_openbox() {
  openbox --sm-disable > /dev/null 2>&1 &
  manager_pid=$!
  wait_for 10 sh -c "xprop -root _NET_SUPPORTING_WM_CHECK 2> /dev/null | grep -q 'window id'"
}
# The number of visible windows, menus included (a menu has no name, and
# Qt gives a menu opened again no menu type: all are counted).
shown_windows() { xdotool search --onlyvisible --class '' | wc -l; }
# Whether the number of visible windows, menus included, compares to `count`.
windows_shown() { # test-operator count
  [ "$(shown_windows)" "$1" "$2" ]
}
# Whether `window` has the keyboard focus.
has_focus() { # window
  [ "$(xdotool getwindowfocus 2> /dev/null)" = "$1" ]
}
# Gives `window` the focus and waits until it has it.
focus_window() { # window
  xdotool windowfocus "$1" 2> /dev/null || true
  wait_for 5 has_focus "$1" || fail "window $1 did not take the focus"
}
