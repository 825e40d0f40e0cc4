#!/usr/bin/env bash
# vixo_player as an observer meets it, on the demo task of scripts/run (short clips made with the
# ffmpeg command): a whole DSIS pass with its three pass files; a pass stopped with "Exit saving
# progress" and continued at the next start; an observer name of 320 characters; a pass end that
# fails and is continued with another mark; a task file that does not load; a clip that is gone.
# The program's boxes and dialogs are answered by a test script (VIXO_TEST_SCRIPT), which logs
# what was asked. Needs a display.
#
# vixo_player_test.sh <vixo_player> <scripts/lib folder>
set -uo pipefail

PLAYER="$1" LIB="$2"
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"
# The start dialog's settings go to a store of the test's own.
export XDG_CONFIG_HOME="$WORK/config"

# play <name> <task file or ""> <script lines...>: runs the player with the rules, on the task file
# or on none; sets CODE and LOG
# (what was asked and answered, one line each: kind, caption or class, text or title, answer).
play() {
  local name="$1" task="$2"
  shift 2
  { echo "log $WORK/$name.log"; printf '%s\n' "$@"; } >"$WORK/$name.script"
  : >"$WORK/$name.log"
  VIXO_TEST_SCRIPT="$WORK/$name.script" timeout 120 "$PLAYER" ${task:+"$task"} >"$WORK/$name.out" 2>&1
  CODE=$?
  LOG="$(cat "$WORK/$name.log")"
  [ "$CODE" -eq 0 ] || cat "$WORK/$name.out"
}

# Lists the pass files of the task, one folder/file per line, sorted.
pass_files() {
  (cd "$(dirname "$1")" && find "$(basename "$1")".* -type f | sed -E 's/-[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{6}\./-<time>./; s/@[0-9a-f-]{36}@/@<id>@/' | sort)
}

# shellcheck source=../../scripts/lib/demo.sh
source "$LIB/demo.sh"
make_demo "$WORK/demo" 0.5 160x90 >/dev/null || { echo "cannot make the demo task"; exit 1; }
TASK="$WORK/demo/demo.vixo"
computer="$(uname -n)"

START='dialog PlayStartWndOffline => text 0 Ann; click Start test'
BEFORE='dialog DlgBeforeVideo => key space'

# --- a whole pass: four questions, the end box, the pass files
play whole "$TASK" "$START" "$BEFORE" 'dialog DlgVotingDSIS => key 4; click OK' \
  'prompt Task finished => OK'
expect_equal "whole pass: exit code" 0 "$CODE"
expect_equal "whole pass: the dialogs in order" \
  "PlayStartWndOffline$(printf '\nDlgBeforeVideo\nDlgBeforeVideo\nDlgVotingDSIS%.0s' 1 2 3 4)
Task finished" "$(echo "$LOG" | cut -f2)"
echo "$LOG" | grep -q "^prompt	Task finished	Results are saved to file:\\\\n$WORK/demo/demo.vixo.protocols/$computer-Ann-" ||
  fail "whole pass: the end box names the protocol file ($LOG)"
expect_equal "whole pass: the three pass files" \
  "demo.vixo.archives/$computer-Ann-<time>.vixores
demo.vixo.protocols/$computer-Ann-<time>.json
demo.vixo.states/result@<id>@" "$(pass_files "$TASK")"
expect_equal "whole pass: four marks of 4 in the protocol" "4 4 4 4" \
  "$(python3 -c 'import json,sys
p=json.load(open(sys.argv[1]))["protocol"]
print(*[e["data"]["answers"][0] for e in p if e["type"]=="answer"])' "$WORK"/demo/demo.vixo.protocols/*.json)"
rm -rf "$WORK"/demo/demo.vixo.*

# --- stopped at the second vote, saving progress; the next start offers to continue
play stop "$TASK" "$START" "$BEFORE" 'dialog DlgVotingDSIS #2 => close' \
  'dialog DlgVotingDSIS => key 2; click OK' 'prompt Test not finished => Exit saving progress'
expect_equal "stopped pass: exit code" 0 "$CODE"
expect_equal "stopped pass: the state of its second question and nothing else" \
  "demo.vixo.states/state@$computer@2@" "$(pass_files "$TASK")"

# Started without a task: the task is chosen in the file dialog.
play cancel "" "file Load VIXO task => $TASK" 'prompt Task opening => Cancel'
expect_equal "cancelled resume: exit code" 0 "$CODE"
expect_equal "cancelled resume: the task chosen, then nothing else asked" \
  "file Load VIXO task $TASK
prompt Task opening" "$(echo "$LOG" | cut -f1-3 | sed 's/^prompt\tTask opening\t.*/prompt\tTask opening/' | tr '\t' ' ')"
expect_equal "cancelled resume: the state stays" \
  "demo.vixo.states/state@$computer@2@" "$(pass_files "$TASK")"

play nochoice "" 'file Load VIXO task => cancel'
expect_equal "no task chosen: exit code" 0 "$CODE"
expect_equal "no task chosen: nothing else asked" "file	Load VIXO task	cancel" "$LOG"

play resume "$TASK" 'prompt Task opening => Continue this pass' "$BEFORE" \
  'dialog DlgVotingDSIS => key 5; click OK' 'prompt Task finished => OK'
expect_equal "resumed pass: exit code" 0 "$CODE"
question="$(echo "$LOG" | head -n 1)"
[[ "$question" =~ ^prompt$'\t'Task\ opening$'\t'This\ task\ has\ unfinished\ pass\\nObserver:\ Ann\\nStarted\ at:\ [A-Z][a-z]{2}\ [A-Z][a-z]{2}\ [\ 0-9]{2}\ [0-9:]{8}\ [0-9]{4}\\nCurrent\ progress:\ 25%\\n\\nDo\ you\ want\ to\ continue\ this\ task\?$'\t'Continue\ this\ pass$ ]] ||
  fail "resumed pass: the question ($question)"
expect_equal "resumed pass: no start dialog, the three questions left" \
  "Task opening$(printf '\nDlgBeforeVideo\nDlgBeforeVideo\nDlgVotingDSIS%.0s' 1 2 3)
Task finished" "$(echo "$LOG" | cut -f2)"
expect_equal "resumed pass: its marks, the first from before the stop" "2 5 5 5" \
  "$(python3 -c 'import json,sys
p=json.load(open(sys.argv[1]))["protocol"]
print(*[e["data"]["answers"][0] for e in p if e["type"]=="answer"])' "$WORK"/demo/demo.vixo.protocols/*.json)"
expect_equal "resumed pass: one pass, finished" \
  "demo.vixo.archives/$computer-Ann-<time>.vixores
demo.vixo.protocols/$computer-Ann-<time>.json
demo.vixo.states/result@<id>@" "$(pass_files "$TASK")"
rm -rf "$WORK"/demo/demo.vixo.*

# --- an observer name of 320 characters, letters of three scripts: the pass files get names the
# file system takes, and the name stays whole inside them
name="$(python3 -c 'print(("Ånne Lée 語" * 40)[:320])')"
play longname "$TASK" "dialog PlayStartWndOffline => text 0 $name; click Start test" "$BEFORE" \
  'dialog DlgVotingDSIS => key 4; click OK' 'prompt Task finished => OK'
expect_equal "long name: exit code" 0 "$CODE"
expect_equal "long name: the dialogs, without an error" \
  "PlayStartWndOffline$(printf '\nDlgBeforeVideo\nDlgBeforeVideo\nDlgVotingDSIS%.0s' 1 2 3 4)
Task finished" "$(echo "$LOG" | cut -f2)"
expect_equal "long name: the three pass files" \
  "demo.vixo.archives/vixores
demo.vixo.protocols/json
demo.vixo.states/result@<id>@" "$(pass_files "$TASK" | sed -E 's/^(demo.vixo.(archives|protocols))\/.*\./\1\//')"
expect_equal "long name: whole in the protocol, the result file and the archive" "$name
$name
$name" "$(python3 -c 'import json,sys,glob
d=sys.argv[1]
print(json.load(open(glob.glob(d+".protocols/*")[0]))["info"]["expert"])
print(json.JSONDecoder().raw_decode(open(glob.glob(d+".states/result@*")[0]).read())[0]["expert"])
print(json.load(open(glob.glob(d+".archives/*")[0]))["header"]["expert"])' "$TASK")"
rm -rf "$WORK"/demo/demo.vixo.*

# --- the archive cannot be written and the operator chooses "Exit": the box says what failed.
# The next start continues the pass, its last question is answered otherwise, and protocol,
# result file and archive all hold the new mark.
printf 'in the way' >"$WORK/demo/demo.vixo.archives"
play endfails "$TASK" "$START" "$BEFORE" 'dialog DlgVotingDSIS => key 4; click OK' \
  'prompt Error saving results => Exit'
expect_equal "failed end: exit code" 0 "$CODE"
echo "$LOG" | grep -q "^prompt	Error saving results	Can't save results. Can't write the file:\\\\n$WORK/demo/demo.vixo.archives/$computer-Ann-[-0-9T]*.vixores\\\\nNot a directory	Exit$" ||
  fail "failed end: the box names the archive and the reason ($LOG)"
expect_equal "failed end: protocol, result file and the last state" \
  "demo.vixo.archives
demo.vixo.protocols/$computer-Ann-<time>.json
demo.vixo.states/result@<id>@
demo.vixo.states/state@$computer@4@" "$(pass_files "$TASK")"
rm "$WORK/demo/demo.vixo.archives"
play endresumed "$TASK" 'prompt Task opening => Continue this pass' "$BEFORE" \
  'dialog DlgVotingDSIS => key 2; click OK' 'prompt Task finished => OK'
expect_equal "resumed end: exit code" 0 "$CODE"
expect_equal "resumed end: one pass, finished" \
  "demo.vixo.archives/$computer-Ann-<time>.vixores
demo.vixo.protocols/$computer-Ann-<time>.json
demo.vixo.states/result@<id>@" "$(pass_files "$TASK")"
expect_equal "resumed end: the new mark in protocol, result file and archive alike" \
  "4 4 4 2
0.25 0.75 0.75 0.75
True True" "$(python3 -c 'import json,sys,glob
d=sys.argv[1]
protocol=json.load(open(glob.glob(d+".protocols/*")[0]))
decoder=json.JSONDecoder()
text=open(glob.glob(d+".states/result@*")[0]).read()
header,at=decoder.raw_decode(text)
results,at=decoder.raw_decode(text,at)
archive=json.load(open(glob.glob(d+".archives/*")[0]))
print(*[e["data"]["answers"][0] for e in protocol["protocol"] if e["type"]=="answer"])
print(*sorted(r["value"] for r in results["results"]))
print(archive["protocol"]==protocol, archive["results"]==results and archive["header"]==header)' "$TASK")"
rm -rf "$WORK"/demo/demo.vixo.*

# --- a task file that does not load: the box, and a normal end
printf '{ "files" : [ ' >"$WORK/broken.vixo"
play broken "$WORK/broken.vixo" 'prompt Loading problem => OK'
expect_equal "broken task: exit code" 0 "$CODE"
expect_equal "broken task: the box" "prompt	Loading problem	Error while loading task. File corrupted, incompatible with this VIXO version or can't be opened.	OK" "$LOG"

# --- a clip that is gone: the start dialog's check names it and the pass does not start
mv "$WORK/demo/clips/bars_blocky.mkv" "$WORK/gone.mkv"
play gone "$TASK" "$START" 'prompt Task checking => OK'
expect_equal "missing clip: exit code" 0 "$CODE"
expect_equal "missing clip: the check's box" \
  "prompt	Task checking	Error checking task: can't open file:\\nbars blocky	OK" \
  "$(echo "$LOG" | grep '^prompt')"
expect_equal "missing clip: no pass files" "" "$(pass_files "$TASK" 2>/dev/null)"

finish vixo_player
