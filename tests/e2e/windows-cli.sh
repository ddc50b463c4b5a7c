#!/bin/bash
# corvane-cli.exe under Wine does what corvane-cli does on Linux: the same bytes for the same
# bar from show, copy (with and without --bytes), paste, edit with a UTF-8 argument and check,
# the save replacing the bar; icons and extract read the system's shell32.dll; the settings
# are read beside the program, and from %APPDATA%\corvane once it runs installed.
#   tests/e2e/windows-cli.sh <Linux corvane-cli> <corvane-cli.exe>
# Runs in the Wine prefix of WINEPREFIX (scripts/run-windows-tests makes a fresh one).
set -u
linux_cli=$1
windows_cli=$2
repo=$(cd "$(dirname "$0")/../.." && pwd)
wine=$(command -v wine64 || command -v wine) || { echo "SKIP: Wine is not installed"; exit 77; }
[ -x "$linux_cli" ] || { echo "SKIP: $linux_cli was not built"; exit 77; }
[ -f "$windows_cli" ] || { echo "SKIP: $windows_cli was not built"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}
# Verbs that read a bar read the same file; those that write have a copy each, lin/ and win/.
mkdir -p "$work/lin" "$work/win"
cp "$repo/examples/bars/tools.bar" "$work/"
cp "$repo/examples/bars/tools.bar" "$work/lin/"
cp "$repo/examples/bars/tools.bar" "$work/win/"

# Each runs with the example installation as Total Commander's folder; Wine is given Windows
# names (winepath), Linux host paths.
export COMMANDER_PATH=$repo/examples/totalcmd
lin() { "$linux_cli" "$@"; }
win() { WINEDEBUG=-all "$wine" "$windows_cli" "$@"; }
winname() { WINEDEBUG=-all winepath -w "$1" 2>/dev/null; }
COMMANDER_PATH_WIN=$(winname "$COMMANDER_PATH")

# Runs one verb in both programs, the outputs and exit statuses to be equal. BAR stands for
# the shared bar, OWNBAR for each program's copy.
same() {
  local what=$1
  shift
  local args_l=() args_w=()
  for arg in "$@"; do
    if [ "$arg" = BAR ]; then
      args_l+=("$work/tools.bar")
      args_w+=("$(winname "$work/tools.bar")")
    elif [ "$arg" = OWNBAR ]; then
      args_l+=("$work/lin/tools.bar")
      args_w+=("$(winname "$work/win/tools.bar")")
    else
      args_l+=("$arg")
      args_w+=("$arg")
    fi
  done
  lin "${args_l[@]}" >"$work/out.lin" 2>"$work/err.lin" </dev/null
  local status_l=$?
  COMMANDER_PATH=$COMMANDER_PATH_WIN win "${args_w[@]}" >"$work/out.win" 2>"$work/err.win" </dev/null
  local status_w=$?
  [ "$status_l" = "$status_w" ] || fail "$what: exit status $status_w, on Linux $status_l"
  cmp -s "$work/out.lin" "$work/out.win" || fail "$what: output differs from Linux's"
}

same "show" show BAR
same "show --json" show BAR --json

# copy prints the clipboard text with CR LF, byte for byte as on Linux.
same "copy" copy BAR 1
grep -q $'\r$' "$work/out.win" || fail "copy: no CR LF line ends"
grep -q $'\r\r' "$work/out.win" && fail "copy: a CR added before CR LF"
same "copy --bytes" copy BAR 10 --bytes
cp "$work/out.lin" "$work/button.bytes"

# paste --bytes reads standard input as the bar's bytes; both bars come out the same.
lin paste "$work/lin/tools.bar" --after 0 --bytes <"$work/button.bytes" >/dev/null ||
  fail "paste --bytes on Linux"
COMMANDER_PATH=$COMMANDER_PATH_WIN win paste "$(winname "$work/win/tools.bar")" --after 0 --bytes <"$work/button.bytes" \
  >/dev/null || fail "paste --bytes under Wine"
cmp -s "$work/lin/tools.bar" "$work/win/tools.bar" || fail "paste --bytes: the bars differ"

# edit takes its arguments as UTF-8 and replaces the bar as a whole: the bar holds the
# code page's byte for ü, and no temporary file is left beside it.
same "edit with UTF-8" edit OWNBAR --set 1 tooltip "Zürich"
cmp -s "$work/lin/tools.bar" "$work/win/tools.bar" || fail "edit: the bars differ"
grep -q $'menu1=Z\xfcrich\r' "$work/win/tools.bar" || fail "edit: Zürich not written in code page 1252"
[ "$(ls "$work/win")" = "tools.bar" ] || fail "edit: files left beside the bar: $(ls "$work/win")"

# check finds the same problems.
same "check --json" check BAR --json

# The system's shell32.dll: icons lists them, extract writes one as an icon file.
shell32='C:\windows\system32\shell32.dll'
count=$(win icons "$shell32" --json | grep -c '"name"')
[ "$count" -gt 100 ] || fail "icons: $count icons in shell32.dll"
win extract "$shell32" 3 "$(winname "$work/shell32-3.ico")" >/dev/null ||
  fail "extract from shell32.dll"
[ "$(head -c 4 "$work/shell32-3.ico" | od -An -tx1 | tr -d ' ')" = "00000100" ] ||
  fail "extract: no icon file written"

# Settings beside the program: DefaultCache=1 makes an edit write the bar's icon cache.
mkdir -p "$work/prog" "$work/cache"
cp "$windows_cli" "$work/prog/"
exe=$work/prog/$(basename "$windows_cli")
settings() { printf '[main]\r\nDefaultCache=%s\r\n' "$1" >"$2"; }
cached_edit() {
  rm -f "$work/cache/"*
  cp "$repo/examples/bars/tools.bar" "$work/cache/"
  COMMANDER_PATH=$COMMANDER_PATH_WIN WINEDEBUG=-all "$wine" "$exe" edit "$(winname "$work/cache/tools.bar")" >/dev/null 2>&1
  [ -f "$work/cache/tools.icl" ]
}
settings 1 "$work/prog/Corvane.ini"
cached_edit || fail "settings beside the program were not read"
# Installed, the user's own copy in %APPDATA%\corvane holds: Wine sets APPDATA itself.
appdata=$(WINEDEBUG=-all winepath -u "$(WINEDEBUG=-all "$wine" cmd /c echo %APPDATA% | tr -d '\r')")
mkdir -p "$appdata/corvane"
touch "$work/prog/corvane.installed"
settings 0 "$appdata/corvane/Corvane.ini"
cached_edit && fail "settings of %APPDATA%\\corvane were not read"

if [ "$failures" -gt 0 ]; then
  echo "corvane-cli.exe: $failures checks failed"
  exit 1
fi
echo "corvane-cli.exe: every check passed"
