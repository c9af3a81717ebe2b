#!/usr/bin/env bash
# The walk-through player (scripts/walkthrough): the project's walk passes its check and malformed
# lines are refused with their line numbers; a short walk plays to its end on a handheld, its
# clicks landing where it says; a step that never happens fails the walk at that step's line.
#   walkthrough_test.sh CROSS_BUILD_DIR
set -u
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/handheld"
. "$root/scripts/walkthrough"
work=$(mktemp -d)
prefix=$work/prefix
cleanup() { hh_stop_wine "$prefix"; hh_stop_display; rm -rf "$work"; }
trap cleanup EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

"$root/scripts/walkthrough" check "$root/handheld/walkthrough.txt" || fail "handheld/walkthrough.txt is refused"

# Each bad line stands third, after a comment and a good line; the message names line 3.
while IFS='|' read -r bad reason; do
    printf '# a walk\nmove-to 10 10\n%s\nclick\n' "$bad" >"$work/bad.txt"
    said=$("$root/scripts/walkthrough" check "$work/bad.txt" 2>&1) && fail "accepted: $bad"
    [[ $said == "$work/bad.txt: line 3: $reason"* ]] || fail "\"$bad\" gave: $said"
done <<'CASES'
report 0 128 0 0|dx, dy and wheel are -128..127
report 0 0 -129 0|dx, dy and wheel are -128..127
report 256 0 0 0|buttons are 0..255
report 0 1 2|report takes BUTTONS DX DY WHEEL
pause -1|pause takes MS
move-to 10|move-to takes X Y
move-to 10 1e3|move-to takes X Y
move-to H-10 5|move-to takes X Y
move-to W-1x H-5|move-to takes X Y
click twice|click takes left, middle or right
shot two words|shot takes one NAME
shot a/b|shot takes one NAME
wait-log|wait-log takes the TEXT
wait-color 1 2 #FFFFFF|wait-color takes X Y RRGGBB
wait-color 1 2 FFFFFG|wait-color takes X Y RRGGBB
wait-color 1 W-2 FFFFFF|wait-color takes X Y RRGGBB
setting 6 1|setting takes KEY
setting Speed x|setting takes KEY
jump 1 2|unknown step "jump"
short|short takes a step
tall setting 1 2|tall takes a step
short move-to 10|move-to takes X Y
CASES

# A short walk at 2X: a tap on the tray icon opens the settings page, "About" the About box and its
# "ok" closes it; the Middle Button opens Notes.
template=$(hh_template qvga) || exit 1
port=$(walk_free_port) || exit 1
cat >"$work/walk.txt" <<'WALK'
setting Speed 4
setting 2 9 \windows\notes.exe
wait-log WM_MOUSECUR: bShowCursor=0/1
move-to 227 307
click
wait-color 120 240 FFFFFF
shot page
move-to 195 81
click
wait-log About::WM_INITDIALOG out
shot about
move-to 225 13
click
wait-log About::IDOK
click middle
wait-event notes.exe
shot notes
WALK
walk_prepare "$template" "$prefix" "$build/bin" "$port" "$work/walk.txt" || exit 1
hh_start_display qvga "$work" || exit 1
WALK_DISPLAY=$HH_DISPLAY WALK_WIDTH=240 WALK_HEIGHT=320 WALK_SCALE=1
WALK_LOG=$prefix/drive_c/pendrova.txt WALK_EVENTS=$prefix/drive_c/handheld-events.txt
WALK_SPEED=$(walk_initial_speed "$work/walk.txt")
walk_start "$prefix" "$work" && walk_connect "$port" || exit 1
mkdir "$work/shots"
walk_play "$work/walk.txt" "$work/shots" || fail "the short walk stopped"
for shot in 01-page 02-about 03-notes; do
    [ "$(/usr/bin/identify -format '%m %wx%h' "$work/shots/$shot.png" 2>/dev/null)" = "PNG 240x320" ] ||
        fail "no 240x320 screenshot $shot.png"
done

# Steps that never happen, each the second line of its walk: a short wait, then the line's failure.
WALK_WAIT_MS=1500
while IFS='|' read -r step reason; do
    printf 'move-to 20 20\n%s\nshot never\n' "$step" >"$work/stuck.txt"
    said=$(walk_play "$work/stuck.txt" "$work/shots" 2>&1) && fail "played through: $step"
    [[ $said == "$work/stuck.txt: line 2: $reason"* ]] || fail "\"$step\" gave: $said"
done <<'CASES'
wait-log a line the program never writes|the log never said "a line the program never writes"
wait-event nothing of the kind|the handheld never recorded "nothing of the kind"
wait-color 120 200 123456|the screen at (120, 200) never showed 123456 but #
CASES
[ -f "$work/shots/line-2-failed.png" ] || fail "no screenshot of the screen that did not change"
exit $status
