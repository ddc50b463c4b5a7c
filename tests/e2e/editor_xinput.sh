#!/usr/bin/env bash
# The editor end to end: the built program runs on a virtual display (Xvfb) under a
# small window manager (openbox) and gets real X input (xdotool's XTEST events), and
# the bar it writes is read back with corvane-cli. Each case starts the editor afresh on
# a one-button bar; the editor is a copy beside its own language file and settings.
#   usage: editor_xinput.sh EDITOR CLI
# Exit status 77 when the display cannot be had here (ctest shows the test as skipped).
set -euo pipefail

editor=$1
cli=$2
here=$(cd "$(dirname "$0")" && pwd)
# Longest wait for any one step; a sanitizer build under load starts slowly.
WAIT=${CORVANE_E2E_WAIT:-40}

skip() {
  echo "SKIP: the editor's end-to-end test: $*"
  exit 77
}

for tool in Xvfb xdotool openbox xprop; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-e2e.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -n "${editor_pid:-}" ]; then
    echo "-- the editor's windows on screen:" >&2
    for w in $(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null); do
      echo "   $w \"$(xdotool getwindowname "$w" 2>/dev/null)\"" >&2
    done
    echo "-- what the editor printed:" >&2
    cat "$work/editor.log" >&2
  fi
  exit 1
}

# Runs the command until it succeeds; fails after WAIT seconds, or at once when the
# editor ends while something else is awaited.
wait_until() {
  local what=$1
  shift
  local deadline=$((SECONDS + WAIT))
  until "$@"; do
    ((SECONDS < deadline)) || fail "no $what after ${WAIT}s"
    if [ -n "${editor_pid:-}" ] && [ "$1" != editor_ended ] && editor_ended; then
      fail "the editor ended while waiting for the $what"
    fi
    sleep 0.05
  done
}

# --- The display: Xvfb names its display on the descriptor once it takes connections.
# The caller's own display is never used: the test types into whatever has the focus.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
xvfb_up() { [ -s "$work/display" ] || ! kill -0 "${pids[0]}" 2>/dev/null; }
WAIT=10 wait_until "display from Xvfb" xvfb_up
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")"
export DISPLAY
unset WAYLAND_DISPLAY XAUTHORITY
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
mkdir -m 700 "$XDG_RUNTIME_DIR"

openbox --sm-disable --config-file "$here/openbox-rc.xml" >"$work/openbox.log" 2>&1 &
pids+=($!)
wm_up() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wait_until "window manager" wm_up

# --- The program: a copy beside its own files as installed, and settings of the test's
# own; a copy, since the program finds these beside its own file (a symbolic link would
# lead it back to the build folder). Qt finds its plugins where Qt is installed.
mkdir "$work/prog"
cp "$editor" "$(dirname "$editor")/English.lng" "$(dirname "$editor")/corvane.icl" "$work/prog/"
printf '[main]\r\nLanguage=English\r\nAskToSaveOnExit=1\r\nDefaultCache=0\r\n' >"$work/prog/Corvane.ini"
# In a sanitizer build, the leak check ignores what system libraries keep.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$here/lsan.supp"
export COMMANDER_PATH=$work
unset COMMANDER_INI
bar=$work/test.bar

# --- Where the mouse goes: the program writes where each of its named controls lies
# once its window is shown (CORVANE_LAYOUT), so that the clicks follow whatever layout
# the fonts and the scale made.
layout=$work/layout.txt
declare -A CONTROL=(
  [P]=btnPrmList     # opens the parameter menu, beside Parameters
  [Tooltip]=id_btn_ToolTip
  [OK]=Ok
)

click() {
  local left top width height
  read -r left top width height < <(awk -v name="${CONTROL[$1]}" '$1 == name { print $2, $3, $4, $5 }' "$layout")
  [ -n "$height" ] || fail "no place of ${CONTROL[$1]} in the program's layout"
  xdotool mousemove --window "$main" "$((left + width / 2))" "$((top + height / 2))" click 1
}

# A window of the editor on screen, other than the main window, whose title matches
# the pattern: the question is a box titled "Corvane", a menu has no title.
QUESTION='^Corvane$'
MENU='^$'
editor_window() {
  xdotool search --all --onlyvisible --pid "$editor_pid" --name "$1" 2>/dev/null |
    grep -vx "$main" | head -n 1
}
shows() { [ -n "$(editor_window "$1")" ]; }
hides() { [ -z "$(editor_window "$1")" ]; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
editor_ended() { ! kill -0 "$editor_pid" 2>/dev/null; }
main_shown() {
  main=$(xdotool search --onlyvisible --pid "$editor_pid" 2>/dev/null | head -n 1)
  [ -n "$main" ]
}

start_editor() {
  printf '[Buttonbar]\r\nButtonCount=1\r\ncmd1=notes.exe\r\nmenu1=Notes\r\n' >"$bar"
  rm -f "$layout"
  CORVANE_LAYOUT=$layout "$work/prog/$(basename "$editor")" "$bar" >"$work/editor.log" 2>&1 &
  editor_pid=$!
  pids+=("$editor_pid")
  wait_until "editor window" main_shown
  wait_until "focus on the editor" has_focus "$main"
  wait_until "the program's layout" test -s "$layout"
}

# Answers the question on closing with Yes, by the Yes button's mnemonic.
answer_yes() {
  wait_until "question on closing" shows "$QUESTION"
  local box
  box=$(editor_window "$QUESTION")
  wait_until "focus on the question" has_focus "$box"
  xdotool key alt+y
}

# The cases: what the user does, and the field the bar holds afterwards as corvane-cli
# shows it in JSON (so that a blank at the end is seen).
choose_param_then_ok() {
  click P
  wait_until "parameter menu" shows "$MENU"
  # The entry "%&P - ..." of the language file: P is its accelerator.
  xdotool key p
  # The menu lets go of the mouse when it closes; a click before would go to the menu.
  wait_until "closing of the menu" hides "$MENU"
  click OK
}

# The parameter menu from the keyboard alone: Alt+P goes to Parameters, Alt+Down there
# opens its menu (and no sub-bar), P chooses the entry, Return presses OK.
param_menu_from_keyboard_then_return() {
  xdotool key alt+p alt+Down
  wait_until "parameter menu" shows "$MENU"
  xdotool key p
  wait_until "closing of the menu" hides "$MENU"
  xdotool key Return
}

type_tooltip_then_escape() {
  click Tooltip
  xdotool key ctrl+a type 'Typed tip'
  xdotool key Escape
  answer_yes
}

type_params_then_close_from_window_manager() {
  xdotool key alt+p type 'closed by wm'
  xdotool key alt+F4
  answer_yes
}

# run_case NAME ACTIONS EXPECTED...: the saved bar holds every EXPECTED text.
run_case() {
  local name=$1 actions=$2
  shift 2
  local started=$SECONDS
  start_editor
  "$actions"
  wait_until "end of the editor" editor_ended
  local status=0
  wait "$editor_pid" || status=$?
  ((status == 0)) || fail "$name: the editor ended with status $status"
  local shown
  shown=$("$cli" show "$bar" --json) || fail "$name: corvane-cli cannot read the bar"
  local expected
  for expected in "$@"; do
    grep -qF -- "$expected" <<<"$shown" || fail "$name: the bar does not hold $expected:
$(cat "$bar")"
  done
  echo "ok: $name ($((SECONDS - started))s)"
}

run_case "parameter menu, then OK" choose_param_then_ok '"params": "%P ",'
run_case "parameter menu by Alt+Down, then Return" param_menu_from_keyboard_then_return \
  '"params": "%P ",'
run_case "Escape after typing, Yes" type_tooltip_then_escape '"tooltip": "Typed tip",'
run_case "window manager's close after typing, Yes" \
  type_params_then_close_from_window_manager '"params": "closed by wm",'

# --- The problems window (F7) keeps its Escape: it closes that window alone, although
# the main window, whose Escape asks about the modified bar, owns it.
PROBLEMS='^Check bar$'
escape_in_problems_window() {
  click Tooltip
  xdotool key ctrl+a type 'Checked tip'
  xdotool key F7
  wait_until "problems window" shows "$PROBLEMS"
  wait_until "focus on the problems window" has_focus "$(editor_window "$PROBLEMS")"
  xdotool key Escape
  wait_until "closing of the problems window" hides "$PROBLEMS"
  wait_until "focus back on the editor" has_focus "$main"
  ! editor_ended || fail "Escape in the problems window ended the editor"
  ! shows "$QUESTION" || fail "Escape in the problems window asked the question on closing"
  # The main window's own Escape still asks, and the edit is kept.
  xdotool key Escape
  answer_yes
}

run_case "Escape in the problems window, then in the editor, Yes" \
  escape_in_problems_window '"tooltip": "Checked tip",'

# --- The Tab order, with real keys. The focus starts in the bar list; Tab goes through
# Add and Delete into the editor, Shift+Tab comes back. What is typed where the keys
# lead shows where the focus was; Return then presses OK.
tab_through_window_then_ok() {
  xdotool key --delay 30 Tab Tab Tab
  xdotool type 'cm_Forward'
  # On past the command browser's button and the command file chooser.
  xdotool key --delay 30 Tab Tab Tab
  xdotool type 'tabbed'
  xdotool key --delay 30 shift+Tab shift+Tab shift+Tab
  xdotool type 'cm_Back'
  xdotool key Return
}

run_case "Tab and Shift+Tab through the window" tab_through_window_then_ok \
  '"command": "cm_Back",' '"params": "tabbed",'
