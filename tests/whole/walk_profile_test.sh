#!/usr/bin/env bash
# The project's walk-through (handheld/walkthrough.txt) played to its end on a handheld of one
# profile, as scripts/run.sh plays it, every step waiting for what it should have done; and each
# screenshot of the screen's size. A failure keeps the screenshots in the build folder, as
# walk-PROFILE-shots (the paths the walk prints are of the handheld's own folder, which goes).
# scripts/walk-all.sh walks every profile.
#   walk_profile_test.sh CROSS_BUILD_DIR PROFILE
set -u
build=$(realpath "$1")
profile=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/handheld"
. "$root/scripts/walkthrough"
walk=$root/handheld/walkthrough.txt
work=$(mktemp -d)
prefix=$work/prefix
cleanup() { hh_stop_wine "$prefix"; hh_stop_display; rm -rf "$work"; }
trap cleanup EXIT
read -r width height dpi < <(hh_geometry "$profile") || exit 1
template=$(hh_template "$profile") || exit 1
port=$(walk_free_port) || exit 1
walk_prepare "$template" "$prefix" "$build/bin" "$port" "$walk" || exit 1
hh_start_display "$profile" "$work" || exit 1
WALK_DISPLAY=$HH_DISPLAY WALK_WIDTH=$width WALK_HEIGHT=$height WALK_SCALE=$((dpi / 96))
WALK_LOG=$prefix/drive_c/pendrova.txt WALK_EVENTS=$prefix/drive_c/handheld-events.txt
WALK_SPEED=$(walk_initial_speed "$walk")
walk_start "$prefix" "$work" && walk_connect "$port" || exit 1
mkdir "$work/shots"
status=0
walk_play "$walk" "$work/shots" || { echo "FAIL: the walk stopped on $profile"; status=1; }
n=0
for shot in "$work"/shots/[0-9]*.png; do
    [ -f "$shot" ] || continue
    n=$((n + 1))
    size=$(/usr/bin/identify -format '%wx%h' "$shot" 2>/dev/null)
    [ "$size" = "${width}x$height" ] || { echo "FAIL: $(basename "$shot") is $size, not ${width}x$height"; status=1; }
done
want=$(grep -c '^shot ' "$walk")
[ "$n" -eq "$want" ] || { echo "FAIL: $n screenshots of $want"; status=1; }
if [ $status -ne 0 ]; then
    rm -rf "$build/walk-$profile-shots" && cp -r "$work/shots" "$build/walk-$profile-shots" &&
        echo "the screenshots are kept in $build/walk-$profile-shots"
fi
exit $status
