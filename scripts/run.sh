#!/usr/bin/env bash
# Runs Quillmark on a virtual handheld.
#   scripts/run.sh [--demo] [--walk FILE] [PROFILE]   (qvga, vga, landscape, square, vga-square, vga-landscape)
# The handheld has its radio on and a mouse paired; the program connects at start. The tray icon
# is switched on, as a user would: it shows at the bottom right of the Today screen.
# Without a display (DISPLAY unset, or QM_HEADLESS set) the handheld runs on its own Xvfb and a
# walk-through (handheld/walkthrough.txt, or FILE) is played into its report feed: a screenshot of
# each step and an animated GIF of the whole walk are saved, then each picker is opened with a
# choice made, one screenshot each, and the paths are printed.
# With a display the handheld opens as a window of its size and the program runs until Ctrl-C;
# with --demo the same walk-through is played into the window, without it the handheld waits for
# your own mouse on its report feed (bridge: see README).
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
profile=qvga demo= walk=$root/handheld/walkthrough.txt
while [ $# -gt 0 ]; do
    case "$1" in
        --demo) demo=1 ;;
        --walk) walk=$(realpath "${2:?--walk takes a FILE}"); shift ;;
        -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
        *) profile=$1 ;;
    esac
    shift
done
"$root/scripts/setup.sh"
"$root/scripts/build.sh" >/dev/null
. "$root/scripts/handheld"
. "$root/scripts/walkthrough"
read -r width height dpi < <(hh_geometry "$profile")
headless=
[ -z "${DISPLAY:-}" ] || [ -n "${QM_HEADLESS:-}" ] && headless=1
walking=$headless$demo
[ -z "$walking" ] || walk_check "$walk"

out=$root/build/run/$profile
prefix=$out/prefix
template=$(hh_template "$profile")
[ -d "$prefix" ] && hh_stop_wine "$prefix"
rm -rf "$out"
mkdir -p "$out/shots"
log=$prefix/drive_c/pendrova.txt
# A headless handheld's feed on a free port, so that it meets no other handheld's driver; with a
# display the usual one, where the mouse bridge looks.
port=46096
[ -n "$headless" ] && port=$(walk_free_port)
walk_prepare "$template" "$prefix" "$root/build/cross/bin" "$port" "${walking:+$walk}"

cleanup() {
    [ -n "${capture:-}" ] && kill "$capture" 2>/dev/null
    hh_stop_wine "$prefix"
    hh_stop_display
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Frames for the animation, a few a second, while the walk plays.
capture_frames() { # DIR
    local n=0 name
    mkdir -p "$1"
    while :; do
        n=$((n + 1))
        name=$(printf '%05d.png' "$n")
        walk_shot "$1/$name" && echo "$EPOCHREALTIME $name" >>"$1/frames.txt"
        sleep 0.15
    done
}

# The animated GIF: the frames at the pace they were taken (a wait of over a second shortened to
# one), each step's screenshot held 1.5 s where it was taken.
make_gif() { # OUTPUT
    local list
    list=$( { sed 's|$| frames|' "$out/frames/frames.txt"; sed 's|$| shots|' "$out/shots/shots.txt"; } 2>/dev/null |
        sort -n | awk '
            { t[NR] = $1; f[NR] = $3 "/" $2; shot[NR] = $3 == "shots" }
            END {
                for (i = 1; i <= NR; i++) {
                    d = i < NR ? int((t[i + 1] - t[i]) * 100) : 150
                    if (d > 100) d = 100
                    if (d < 2) d = 2
                    if (shot[i]) d = 150
                    print d, f[i]
                }
            }')
    [ -n "$list" ] || return 1
    local args=() d f
    while read -r d f; do args+=(-delay "$d" "$out/$f"); done <<<"$list"
    /usr/bin/convert -loop 0 "${args[@]}" -layers RemoveDups -layers Optimize "$1"
}

# Plays the walk into the driver's feed; the link is up while it plays, so the cursor shows from
# its first line to its last.
play_walk() {
    WALK_SCALE=$((dpi / 96)) WALK_WIDTH=$width WALK_HEIGHT=$height WALK_LOG=$log
    WALK_EVENTS=$prefix/drive_c/handheld-events.txt WALK_SPEED=$(walk_initial_speed "$walk")
    walk_connect "$port" || return 1
    capture_frames "$out/frames" &
    capture=$!
    local rc=0
    walk_play "$walk" "$out/shots" || rc=$?
    kill "$capture" 2>/dev/null
    wait "$capture" 2>/dev/null || true
    capture=
    exec {WALK_FEED}>&-
    make_gif "$out/walkthrough.gif" || echo "no animation made" >&2
    return $rc
}

# The shots and the animation, listed.
print_shots() {
    echo "Log:         $log"
    echo "Screenshots: $out/shots/"
    ls "$out/shots" | grep '\.png$' | sed 's/^/             /'
    [ -f "$out/walkthrough.gif" ] && echo "Animation:   $out/walkthrough.gif"
    return 0
}

if [ -z "$headless" ]; then
    echo "Quillmark runs on the $profile handheld; Ctrl-C ends it."
    echo "Log: $log"
    cd "$prefix/drive_c"
    WINEPREFIX=$prefix wine "C:\\windows\\shell32.exe" >/dev/null 2>&1 & # the handheld's shell
    sleep 3 # its tray before the program's icon
    if [ -n "$demo" ]; then
        # Wine moves the desktop's pointer along with the handheld's only while it is inside the
        # handheld's window; outside it, a drop-down list that follows the pointer scrolls away.
        echo "The walk-through starts 5 s after the program: rest your pointer inside the handheld's"
        echo "window until it ends, and leave the mouse alone."
        (
            WALK_WAIT_MS=30000 walk_wait_text "$log" 'WinMain SAC_Mouse' || exit 1
            sleep 5
            # The handheld's window on your screen (Wine names its virtual desktop).
            for i in $(seq 50); do
                win=$(xwininfo -name 'Handheld - Wine desktop' 2>/dev/null | awk '/Window id:/ { print $4 }')
                [ -n "$win" ] && break
                sleep 0.1
            done
            WALK_WINDOW=${win:-root}
            play_walk && print_shots
        ) &
    else
        echo "The handheld waits for your mouse: the driver's report feed listens on 127.0.0.1:$port."
        echo "Bridge a real mouse to it from another terminal (README, \"Bridging your own mouse\"):"
        echo "    scripts/build.sh host && build/host/handheld/bridge/mouse_bridge /dev/input/eventN"
        echo "scripts/run.sh --demo plays the walk-through instead."
    fi
    WINEPREFIX=$prefix wine "C:\\Program Files\\Quillmark\\quillmark.exe" -first >"$out/wine.log" 2>&1
    exit 0
fi

hh_start_display "$profile" "$out"
WALK_DISPLAY=$HH_DISPLAY WALK_WIDTH=$width WALK_HEIGHT=$height
walk_start "$prefix" "$out"
play_walk

# The two pickers, opened as the settings page opens them: one shot each, numbered after the walk's.
cd "$prefix/drive_c"
WINEPREFIX=$prefix DISPLAY=$HH_DISPLAY wine "$root/build/cross/bin/picker_tour.exe" >"$out/picker_tour.log" 2>&1 &
tour=$!
next=$(($(ls "$out/shots" | grep -c '\.png$') + 1))
for shot in 1:program-picker 2:applet-picker; do
    n=${shot%%:*}
    for i in $(seq 300); do
        [ -f "$prefix/drive_c/picker-$n.ready" ] && break
        sleep 0.1
    done
    [ -f "$prefix/drive_c/picker-$n.ready" ] || { echo "the ${shot#*:} did not show (see $out/picker_tour.log)" >&2; exit 1; }
    walk_shot "$out/shots/$(printf '%02d' "$next")-${shot#*:}.png"
    next=$((next + 1))
    : >"$prefix/drive_c/picker-$n.taken"
done
wait "$tour" 2>/dev/null || true
echo "Quillmark played the walk-through ($walk) on the $profile handheld."
print_shots
