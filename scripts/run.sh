#!/usr/bin/env bash
# Runs Quillmark on a virtual handheld.
#   scripts/run.sh [qvga|vga|landscape]
# The handheld has its radio on and a mouse paired; the program connects at start, and the feeder
# then plays handheld/demo.feed, a short walk of the mouse, through the HID driver stand-in.
# The tray icon is switched on, as a user would: it shows at the bottom right of the Today screen.
# With a display (DISPLAY set, QM_HEADLESS unset) the handheld opens as a window of its size and
# the program runs until you press Ctrl-C; tap the tray icon to open the settings page. Without
# one, the handheld runs on its own Xvfb: the program is started with the log switched on, a
# screenshot is taken while the mouse is linked, the mouse then taps the tray icon and the page's
# "About" button, screenshots of the settings page and of the About box are taken, and the paths
# are printed. Then each picker is opened with a choice made, one screenshot each.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
profile=${1:-qvga}
"$root/scripts/setup.sh"
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
printf '[HKEY_LOCAL_MACHINE\\Software\\Dalvern\\Quillmark\\AutoStart]\n"NumVal"=dword:00000001\n' \
    >"$out/tray-on.reg"
hh_merge_machine_reg "$prefix" "$out/tray-on.reg"
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
    sleep 3 # its tray before the program's icon
    play_demo &
    WINEPREFIX=$prefix wine "C:\\Program Files\\Quillmark\\quillmark.exe" -first
    exit 0
fi

hh_start_display "$profile" "$out"
cd "$prefix/drive_c"
WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "C:\\windows\\shell32.exe" >"$out/shell.log" 2>&1 &
read -r width height dpi < <(hh_geometry "$profile")
# The shell's tray is there before the program adds its icon: wait for its Today screen.
for i in $(seq 200); do
    import -display "$HH_DISPLAY" -window root -crop "1x1+$((width / 2))+$((height / 2))" txt:- 2>/dev/null |
        grep -qi '#205090' && break
    sleep 0.1
done
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

# The mouse taps the tray icon and then the page's "About" button. At the first speed, 0.5X, a
# report moves the cursor half its motion.
moves() { # DX DY in pixels -> reports
    local x=$((2 * $1)) y=$((2 * $2)) sx sy
    while [ $x -ne 0 ] || [ $y -ne 0 ]; do
        sx=$((x < -128 ? -128 : x > 126 ? 126 : x))
        sy=$((y < -128 ? -128 : y > 126 ? 126 : y))
        echo "report 0 $sx $sy 0"
        x=$((x - sx)) y=$((y - sy))
    done
}
click() { printf 'report 1 0 0 0\npause 100\nreport 0 0 0 0\npause 300\n'; }
play() { # FEED
    WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "C:\\windows\\feeder.exe" "C:\\$1" >>"$out/feeder.log" 2>&1
}
scale=$((dpi / 96))
# Into the bottom-right corner, where the tray icon sits, and a tap.
{ moves "$width" "$height"; click; } >"$prefix/drive_c/tray.feed"
play tray.feed
sleep 1.5
import -display "$HH_DISPLAY" -window root "$out/settings.png"
# From the corner to the middle of "About" (159 + 72 / 2, below the 26-unit bar 45 + 20 / 2).
{ moves $((195 * scale - width + 1)) $((81 * scale - height + 1)); click; } >"$prefix/drive_c/about.feed"
play about.feed
for i in $(seq 100); do
    grep -q 'About::WM_INITDIALOG out' "$log" && break
    sleep 0.1
done
sleep 1
import -display "$HH_DISPLAY" -window root "$out/about.png"
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
echo "Settings:   $out/settings.png"
echo "About:      $out/about.png"
echo "Pickers:   $pickers"
