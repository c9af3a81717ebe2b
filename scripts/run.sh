#!/usr/bin/env bash
# Runs Quillmark on a virtual handheld.
#   scripts/run.sh [qvga|vga|landscape]
# The handheld has its radio on and a mouse paired; the program connects at start, and the feeder
# then plays handheld/demo.feed, a short walk of the mouse, through the HID driver stand-in.
# With a display (DISPLAY set, QM_HEADLESS unset) the handheld opens as a window of its size and
# the program runs until you press Ctrl-C. Without one, the handheld runs on its own Xvfb: the
# program is started with the log switched on, a screenshot is taken while the mouse is linked,
# then one of each picker with a choice made, and the log's and the screenshots' paths are printed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
profile=${1:-qvga}
"$root/scripts/build.sh" >/dev/null
. "$root/scripts/handheld"

out=$root/build/run/$profile
prefix=$out/prefix
template=$(hh_template "$profile")
[ -d "$prefix" ] && hh_stop_wine "$prefix"
rm -rf "$out"
mkdir -p "$out"
hh_clone "$template" "$prefix"
hh_install "$prefix" "$root/build/cross/bin"
: >"$prefix/drive_c/quillmark.dgb" # the log's marker
# The demo walk, with the link held a while at its end.
{ cat "$root/handheld/demo.feed"; echo "pause 5000"; } >"$prefix/drive_c/demo.feed"
play_demo() { # after the program has connected
    for i in $(seq 300); do
        grep -q 'WinMain SAC_Mouse' "$prefix/drive_c/pendrova.txt" 2>/dev/null && break
        sleep 0.1
    done
    WINEPREFIX=$prefix wine "C:\\windows\\feeder.exe" "C:\\demo.feed" >"$out/feeder.log" 2>&1
}
cleanup() { hh_stop_wine "$prefix"; hh_stop_display; }
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "${DISPLAY:-}" ] && [ -z "${QM_HEADLESS:-}" ]; then
    echo "Quillmark runs on the $profile handheld; Ctrl-C ends it."
    echo "Log: $prefix/drive_c/pendrova.txt"
    cd "$prefix/drive_c"
    WINEPREFIX=$prefix wine "C:\\windows\\shell32.exe" >/dev/null 2>&1 & # the handheld's shell
    play_demo &
    WINEPREFIX=$prefix wine "C:\\Program Files\\Quillmark\\quillmark.exe" -first
    exit 0
fi

hh_start_display "$profile" "$out"
cd "$prefix/drive_c"
WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "C:\\windows\\shell32.exe" >"$out/shell.log" 2>&1 &
WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "C:\\Program Files\\Quillmark\\quillmark.exe" -first \
    >"$out/wine.log" 2>&1 &
log=$prefix/drive_c/pendrova.txt
for i in $(seq 300); do
    grep -q 'WinMain SAC_Mouse' "$log" 2>/dev/null && break
    sleep 0.1
done
DISPLAY=$HH_DISPLAY play_demo &
demo=$!
# The walk's reports handled, the link still up.
reports=$(grep -c '^report' "$prefix/drive_c/demo.feed")
for i in $(seq 150); do
    [ "$(grep -c '^WM_MOUSEDATA' "$log" 2>/dev/null)" -ge "$reports" ] && break
    sleep 0.1
done
sleep 0.5 # let the screen settle
import -display "$HH_DISPLAY" -window root "$out/screen.png"
grep -q 'WinMain SAC_Mouse' "$log" || { echo "Quillmark did not start; see $out/wine.log" >&2; exit 1; }
# The two pickers, opened as the settings page opens them, once the walk is over: one shot each.
wait "$demo" 2>/dev/null || true
WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "$root/build/cross/bin/picker_tour.exe" >"$out/picker_tour.log" 2>&1 &
tour=$!
pickers=
for shot in 1:program-picker 2:applet-picker; do
    n=${shot%%:*}
    for i in $(seq 300); do
        [ -f "$prefix/drive_c/picker-$n.ready" ] && break
        sleep 0.1
    done
    if [ -f "$prefix/drive_c/picker-$n.ready" ]; then
        import -display "$HH_DISPLAY" -window root "$out/${shot#*:}.png"
        pickers="$pickers $out/${shot#*:}.png"
    fi
    : >"$prefix/drive_c/picker-$n.taken"
done
wait "$tour" 2>/dev/null || true
echo "Quillmark started on the $profile handheld."
echo "Log:        $log"
echo "Screenshot: $out/screen.png"
echo "Pickers:   $pickers"
