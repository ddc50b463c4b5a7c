#!/usr/bin/env bash
# Bars carried to Double Commander and back, tried with the real program: Double Commander
# runs on a virtual display (Xvfb) with configuration folders of its own.
# - Started once with an empty folder, it writes its default configuration; its default
#   toolbar is imported and must give one button per item, every icon found.
# - The example bars are exported (with their sub-bars); Double Commander is started with
#   each exported toolbar as its configuration and ended, which makes it save what it
#   loaded: the toolbar it saves must be the one exported, item for item (less the IDs it
#   gives new items), and every icon a PNG file that is there.
# - A bar of the commands Double Commander has under other names, "cd DIR" and
#   placeholders it reads otherwise is exported under its names, and kept as exported.
# - Its own default configuration is refused by export-dc -o, unchanged; --into it replaces
#   the main toolbar with the exported one and keeps every other line; started with it,
#   Double Commander shows that toolbar.
#   usage: doublecmd.sh CLI EXAMPLES
# Exit status 77 when Double Commander or Xvfb is not installed (ctest shows a skip).
set -euo pipefail

cli=$1
examples=$(cd "$2" && pwd)
WAIT=${CORVANE_E2E_WAIT:-30}

skip() {
  echo "SKIP: Double Commander's toolbar test: $*"
  exit 77
}
for tool in doublecmd Xvfb xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps installs it)"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvane-dc.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Double Commander's own files stay in the test's folder, whatever the caller's home.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
mkdir -p "$HOME"
export COMMANDER_PATH=$examples/totalcmd
unset WINEPREFIX

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for ((i = 0; i < 100; i++)); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || skip "Xvfb did not start: $(tail -n 3 "$work/xvfb.log")"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY XAUTHORITY

# Starts Double Commander with the configuration folder, waits for its main window and
# ends it as a session's end does (SIGTERM), on which it saves its configuration.
run_dc() {
  local config=$1
  doublecmd --config-dir="$config" >"$config.log" 2>&1 &
  local pid=$!
  pids+=("$pid")
  local deadline=$((SECONDS + WAIT))
  until xdotool search --onlyvisible --pid "$pid" >/dev/null 2>&1; do
    kill -0 "$pid" 2>/dev/null || fail "Double Commander ended at its start: $(tail -n 5 "$config.log")"
    ((SECONDS < deadline)) || fail "no window of Double Commander after ${WAIT}s"
    sleep 0.2
  done
  sleep 1
  kill -TERM "$pid"
  for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "Double Commander did not end on SIGTERM"
  grep -q "Saving configuration" "$config.log" || fail "Double Commander did not save: $config.log"
}

# The main toolbar of a configuration as Double Commander writes it, without the IDs.
main_toolbar() {
  sed -n '/<MainToolbar>/,/<\/MainToolbar>/p' "$1" | grep -v '<ID>'
}

# --- Its default toolbar, imported.
mkdir "$work/default"
run_dc "$work/default"
defaults=$work/default/doublecmd.xml
[ -s "$defaults" ] || fail "Double Commander wrote no doublecmd.xml"
items=$(main_toolbar "$defaults" | grep -cE '^        <(Command|Program|Separator|Menu)>')
((items > 0)) || fail "the default toolbar holds no item"
status=0
"$cli" import-dc "$defaults" -o "$work/default.bar" >"$work/import.txt" || status=$?
((status == 0 || status == 4)) || fail "import-dc ended with $status: $(cat "$work/import.txt")"
grep -q "the icon" "$work/import.txt" && fail "an icon of the default toolbar was not found: $(cat "$work/import.txt")"
buttons=$("$cli" show "$work/default.bar" --json | grep -c '"icon"')
((buttons == items)) || fail "the default toolbar's $items items gave $buttons buttons"
"$cli" check "$work/default.bar" --json >"$work/check.json" || true
grep -qE '"(missing-icon-file|icon-index)"' "$work/check.json" &&
  fail "the imported bar's icons are not found: $(cat "$work/check.json")"
echo "ok: the default toolbar's $items items imported, every icon in the library"

# --- The example bars and a bar of Total Commander's names, exported and loaded.
names=(cm_GotoPreviousDir cm_GotoNextDir cm_DirBranch cm_CompareDirs cm_FileSync cm_SetAttrib
  cm_MatchSrc cm_Split cm_Combine cm_IntCompareFilesByContent)
dc_names=(cm_ViewHistoryPrev cm_ViewHistoryNext cm_FlatView cm_CompareDirectories cm_SyncDirs
  cm_SetFileProperties cm_TargetEqualSource cm_FileSpliter cm_FileLinker cm_CompareContents)
{
  printf '[Buttonbar]\r\nButtoncount=%d\r\n' $((${#names[@]} + 2))
  for i in "${!names[@]}"; do printf 'cmd%d=%s\r\nmenu%d=%s\r\n' $((i + 1)) "${names[i]}" $((i + 1)) "${names[i]}"; done
  printf 'cmd%d=cd %%COMMANDER_PATH%%\\tools\r\n' $((${#names[@]} + 1))
  printf 'cmd%d=%%COMMANDER_PATH%%\\tools\\notes.exe\r\nparam%d=/x "%%P%%N"\r\n' \
    $((${#names[@]} + 2)) $((${#names[@]} + 2))
} >"$work/names.bar"
for bar in "$examples/bars/tools.bar" "$examples/bars/checkup/main.bar" "$work/names.bar"; do
  name=$(basename "$bar" .bar)
  config=$work/$name
  mkdir "$config"
  status=0
  "$cli" export-dc "$bar" --recursive -o "$config/doublecmd.xml" \
    --icons "$work/$name-icons" >"$work/$name.txt" || status=$?
  ((status == 0 || status == 4)) || fail "export-dc $bar ended with $status: $(cat "$work/$name.txt")"
  main_toolbar "$config/doublecmd.xml" >"$work/$name.exported"
  while read -r icon; do
    [ "$(head -c 4 "$icon" | tail -c 3)" = PNG ] || fail "$bar: the icon $icon is no PNG file"
  done < <(sed -n 's:.*<Icon>\(.*\)</Icon>.*:\1:p' "$work/$name.exported")
  run_dc "$config"
  main_toolbar "$config/doublecmd.xml" >"$work/$name.loaded"
  diff -u "$work/$name.exported" "$work/$name.loaded" >&2 ||
    fail "$name: Double Commander saved another toolbar than the one exported"
  echo "ok: $bar exported as $(grep -cE '<(Command|Program|Separator|Menu)>$' "$work/$name.exported") items, loaded as exported"
done
for dc_name in "${dc_names[@]}" cm_ChangeDir; do
  grep -q "<Command>$dc_name</Command>" "$work/names.loaded" ||
    fail "$dc_name is not in the toolbar Double Commander saved: $(cat "$work/names.txt")"
done
grep -qF "<Param>$COMMANDER_PATH/tools</Param>" "$work/names.loaded" || fail "cd lost its folder"
grep -qF '<Params>%"0%/1/x "%Ds%fs0"</Params>' "$work/names.loaded" ||
  fail "the placeholders were not written as Double Commander reads them"
grep -qE '^(Left out|Written)' "$work/names.txt" && fail "the bar of Double Commander's names left something out: $(cat "$work/names.txt")"
echo "ok: Total Commander's names, cd and placeholders written as Double Commander's and kept"

# --- Into its own configuration.
into=$work/into
mkdir "$into"
cp "$defaults" "$into/doublecmd.xml"
status=0
"$cli" export-dc "$examples/bars/tools.bar" -o "$into/doublecmd.xml" >/dev/null 2>&1 || status=$?
((status == 1)) || fail "export-dc -o onto Double Commander's configuration ended with $status"
cmp -s "$defaults" "$into/doublecmd.xml" || fail "export-dc -o changed Double Commander's configuration"
status=0
"$cli" export-dc "$examples/bars/tools.bar" --recursive --into "$into/doublecmd.xml" \
  --icons "$work/tools-icons" >"$work/into.txt" || status=$?
((status == 0 || status == 4)) || fail "export-dc --into ended with $status: $(cat "$work/into.txt")"
around_toolbar() {
  sed '/<MainToolbar>/,/<\/MainToolbar>/d' "$1"
}
diff -u <(around_toolbar "$defaults") <(around_toolbar "$into/doublecmd.xml") >&2 ||
  fail "export-dc --into changed more than the main toolbar"
main_toolbar "$into/doublecmd.xml" >"$work/into.exported"
diff -u "$work/tools.exported" "$work/into.exported" >&2 ||
  fail "export-dc --into wrote another toolbar than -o"
run_dc "$into"
main_toolbar "$into/doublecmd.xml" >"$work/into.loaded"
diff -u "$work/into.exported" "$work/into.loaded" >&2 ||
  fail "Double Commander saved another toolbar than the one exported into its configuration"
echo "ok: tools.bar exported into Double Commander's configuration, every other line kept, loaded as exported"
