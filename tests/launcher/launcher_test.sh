#!/usr/bin/env bash
# The host programs as a user starts them: copies of vixo_player and vixo_editor in folders of
# their own, with the real library, a stand-in that shows what it was handed, a library without
# the entry, or no library at all beside them; and an installed copy.
#
# launcher_test.sh <vixo_player> <vixo_editor> <libvixo.so> <fake library> <fake library without
#                  entry> <build folder>
set -uo pipefail

PLAYER="$1" EDITOR="$2" LIBRARY="$3" FAKE="$4" NOSTART="$5" BUILD="$6"
# shellcheck source=checks.sh
source "$(dirname "$0")/checks.sh"

# host <name> <library for bin/libvixo.so or ""> [<library for bin/libvixo_64.so>]: a folder
# with both programs and the libraries; prints the folder.
host() {
  local dir="$WORK/$1"
  mkdir -p "$dir/bin"
  cp "$PLAYER" "$dir/vixo_player"
  cp "$EDITOR" "$dir/vixo_editor"
  [ -n "$2" ] && cp "$2" "$dir/bin/libvixo.so"
  [ -n "${3:-}" ] && cp "$3" "$dir/bin/libvixo_64.so"
  echo "$dir"
}

# run <program> <args...>: sets OUT, ERR and CODE.
run() {
  OUT="$("$@" 2>"$WORK/stderr")"
  CODE=$?
  ERR="$(cat "$WORK/stderr")"
}

# --- no usable library: the message, the reason for each candidate, exit code -100 (156)
D="$(host none "")"
run "$D/vixo_player" task.vixo
expect_equal "no library: exit code" 156 "$CODE"
expect_equal "no library: message and reasons" \
  "MEQA start error
Can't find MEQA main dll. Please, reinstall MEQA, or contact us via
support@orlo.example
$D/bin/libvixo.so: cannot open shared object file: No such file or directory
$D/bin/libvixo_64.so: cannot open shared object file: No such file or directory" "$ERR"
expect_equal "no library: nothing on standard output" "" "$OUT"

D="$(host nostart "$NOSTART" "$NOSTART")"
run "$D/vixo_player"
expect_equal "libraries without startVIXO: exit code" 156 "$CODE"
expect_equal "libraries without startVIXO: the reasons" \
  "$D/bin/libvixo.so: undefined symbol: startVIXO
$D/bin/libvixo_64.so: undefined symbol: startVIXO" "$(echo "$ERR" | tail -n 2)"

# --- the stand-in library: folders, mode and arguments as handed over, its result as exit code
D="$(host fake "$FAKE")"
run "$D/vixo_player" "my task.vixo"
expect_equal "player: exit code" 0 "$CODE"
expect_equal "player: what the library was handed" "dirs: 1
dir: $D/bin
openMode: 1
argc: 2
arg0: $D/vixo_player
arg1: my task.vixo
end: null" "$OUT"
expect_equal "player: nothing on standard error" "" "$ERR"

run "$D/vixo_editor" edit "" "$(printf 'caf\xc3\xa9 \xff.vixo')"
expect_equal "editor: what the library was handed" "dirs: 1
dir: $D/bin
openMode: 0
argc: 4
arg0: $D/vixo_editor
arg1: edit
arg2: 
arg3: $(printf 'caf\xc3\xa9 \xef\xbf\xbd.vixo')
end: null" "$OUT"

for code in 0 100 7; do
  FAKE_VIXO_RESULT=$code run "$D/vixo_player"
  expect_equal "the library's result $code is the exit code" "$code" "$CODE"
done

# A first candidate without the entry is passed over for the second.
D="$(host second "$NOSTART" "$FAKE")"
run "$D/vixo_player" x
expect_equal "second candidate: exit code" 0 "$CODE"
expect_equal "second candidate: started" "arg1: x" "$(echo "$OUT" | grep '^arg1')"

# --- conf_dll_dirs.txt: CR LF ends, a byte-order mark, empty and blank lines, both separators
D="$(host conf "$FAKE")"
printf '\xef\xbb\xbflib/ffmpeg\r\n\r\n   \t\r\n  codecs \r\nlib\\extra\n\\lead\n/abs/path\r\nlast' \
  >"$D/conf_dll_dirs.txt"
run "$D/vixo_player"
expect_equal "conf_dll_dirs.txt: the folders in file order" "dirs: 7
dir: $D/bin
dir: $D/$(printf '\xef\xbb\xbf')lib/ffmpeg
dir: $D/codecs
dir: $D/lib/extra
dir: $D//lead
dir: $D//abs/path
dir: $D/last" "$(echo "$OUT" | grep '^dir')"

D="$(host conffolder "$FAKE")"
mkdir "$D/conf_dll_dirs.txt"
run "$D/vixo_player"
expect_equal "a folder named conf_dll_dirs.txt: the bin folder alone" "dirs: 1
dir: $D/bin" "$(echo "$OUT" | grep '^dir')"

# --- the real library: command-line errors end with 100 before any window
D="$(host real "$LIBRARY")"
run "$D/vixo_player" one.vixo two.vixo
expect_equal "two task files: exit code" 100 "$CODE"
expect_equal "two task files: the error line" \
  "Error in command line: only one project file is possible" "$ERR"
run "$D/vixo_player" one.vixo ""
expect_equal "a task file and an empty argument: exit code" 100 "$CODE"

run "$D/vixo_editor" bogus
expect_equal "editor, unknown statement: exit code" 100 "$CODE"
expect_equal "editor, unknown statement: the error" "Error parsing command line after
bogus: Unknown statement. Run vixo with '-h' parameter to see all options
Use \"$D/vixo_editor -h\" to see all available options" "$ERR"

run "$D/vixo_editor" edit
expect_equal "editor, edit without a task: exit code" 100 "$CODE"
echo "$ERR" | grep -q "Expected task file" || fail "editor, edit without a task: the error ($ERR)"

# Without a display the toolkit cannot start: said on standard error, and not a success.
run env -u DISPLAY -u WAYLAND_DISPLAY "$D/vixo_player" one.vixo
expect_equal "no display: exit code" 1 "$CODE"
echo "$ERR" | grep -q "Unable to initialize GTK+, is DISPLAY set properly?" ||
  fail "no display: the error ($ERR)"

# The library exports its entry and nothing else.
exports="$(nm -D --defined-only "$LIBRARY" | awk '{print $3}')"
expect_equal "the library's exports" "startVIXO" "$exports"

# --- an installed copy: the layout, and the installed player finds its library
PREFIX="$WORK/prefix"
if cmake --install "$BUILD" --prefix "$PREFIX" >"$WORK/install.log" 2>&1; then
  for f in vixo_player vixo_editor bin/libvixo.so static_html/index.html static_html/vixo.js; do
    [ -e "$PREFIX/$f" ] || fail "install: $f is missing"
  done
  run "$PREFIX/vixo_player" one.vixo two.vixo
  expect_equal "installed player: exit code" 100 "$CODE"
else
  fail "cmake --install: $(cat "$WORK/install.log")"
fi
for f in vixo_player vixo_editor bin/libvixo.so static_html/index.html; do
  [ -e "$BUILD/$f" ] || fail "build folder: $f is missing"
done

finish launcher
