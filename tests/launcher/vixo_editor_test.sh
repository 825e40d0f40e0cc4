#!/usr/bin/env bash
# vixo_editor as an operator starts it: a task named on the command line opens in the editor (its
# name and file in the title); a task file that does not load gives the "Loading problem" box and
# the editor opens with a new, empty task. The boxes are answered by a test script
# (VIXO_TEST_SCRIPT), which logs what was asked. Needs a display.
#
# vixo_editor_test.sh <vixo_editor> <scripts/lib folder>
set -uo pipefail

EDITOR="$1" LIB="$2"
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
# Recent tasks and other settings go to a store of the test's own.
export XDG_CONFIG_HOME="$WORK/config"

# edit <name> <task file> <keys> <last> <script lines...>: starts the editor on the task, waits
# (at most 60 s) until its main window is shown, presses the keys there (none when empty) and
# waits (at most 60 s) until the log has a line with the text <last>, then ends the editor; sets
# TITLE (the window's title) and LOG (what was asked and answered).
edit() {
  local name="$1" task="$2" keys="$3" last="$4"
  shift 4
  { echo "log $WORK/$name.log"; printf '%s\n' "$@"; } >"$WORK/$name.script"
  : >"$WORK/$name.log"
  VIXO_TEST_SCRIPT="$WORK/$name.script" "$EDITOR" edit "$task" >"$WORK/$name.out" 2>&1 &
  local pid=$! window=""
  TITLE=""
  for _ in $(seq 600); do
    # Only a shown window counts: the frame exists, untitled, before its task is loaded.
    window="$(xdotool search --onlyvisible --name "Orlo VIXO Editor" 2>/dev/null | head -n 1)"
    [ -n "$window" ] && TITLE="\"$(xdotool getwindowname "$window")\"" && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$TITLE" ] && [ -n "$keys" ]; then
    xdotool windowfocus --sync "$window" key $keys
    for _ in $(seq 600); do
      grep -q "$last" "$WORK/$name.log" && break
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  LOG="$(cat "$WORK/$name.log")"
  [ -n "$TITLE" ] || cat "$WORK/$name.out"
}

# shellcheck source=../../scripts/lib/demo.sh
source "$LIB/demo.sh"
make_demo "$WORK/demo" 0.5 160x90 >/dev/null || { echo "cannot make the demo task"; exit 1; }

edit opens "$WORK/demo/demo.vixo" "" ""
expect_equal "a task named on the command line: the title" \
  '"Demo: bars and fractal (demo.vixo) - Orlo VIXO Editor 2.1 BETA r12218"' "$TITLE"
expect_equal "a task that loads: nothing asked" "" "$LOG"

printf '{"name": "cut' >"$WORK/damaged.vixo"
edit damaged "$WORK/damaged.vixo" "" "" "prompt Loading problem => OK"
expect_equal "a damaged task: the editor opens with a new task" \
  '"Untitled - Orlo VIXO Editor 2.1 BETA r12218"' "$TITLE"
echo "$LOG" | grep -q "Loading problem" || fail "a damaged task: the box ($LOG)"
echo "$LOG" | grep -q "Error while loading task. File corrupted, incompatible with this VIXO version or can't be opened." ||
  fail "a damaged task: the box's text ($LOG)"

# F5 debugs the task: the start-test dialog, the dialog before the first video, its vote; closing
# the vote stops the debug run without a question.
edit debug "$WORK/demo/demo.vixo" F5 DlgVotingDSIS 'dialog PlayStartWndOffline => text 0 Ann; click Start test' \
  'dialog DlgBeforeVideo => key space' 'dialog DlgVotingDSIS => close'
expect_equal "a debug run from the editor: the dialogs in order" \
  "dialog PlayStartWndOffline
dialog DlgBeforeVideo
dialog DlgBeforeVideo
dialog DlgVotingDSIS" "$(echo "$LOG" | cut -f1-2 | tr '\t' ' ')"
# A debug pass writes only its own state files: no result, no state of a real pass.
files="$(find "$WORK/demo" -type f \( -name "result@*" -o -name "state@*" \))"
[ -z "$files" ] || fail "a debug run from the editor: the files of a real pass ($files)"
[ -n "$(find "$WORK/demo" -type f -name "state-debug@*")" ] ||
  fail "a debug run from the editor: the debug pass's state"

finish "editor program"
