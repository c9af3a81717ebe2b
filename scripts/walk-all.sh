#!/usr/bin/env bash
# Plays the walk-through on every screen profile, one after another, each on its own headless
# handheld (scripts/run.sh PROFILE: screenshots and GIF in build/run/PROFILE), and puts the
# settings page of every profile's last run side by side in docs/settings-pages.png.
#   scripts/walk-all.sh [PROFILE...]     every profile when none is named
# Ends with 1 when a walk stopped; the montage then holds the profiles that got to their page.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/handheld"
profiles=("$@")
[ ${#profiles[@]} -gt 0 ] || read -r -a profiles <<<"$HH_PROFILES"
status=0 pages=()
for profile in "${profiles[@]}"; do
    echo "== $profile"
    QM_HEADLESS=1 "$root/scripts/run.sh" "$profile" >"$root/build/walk-$profile.log" 2>&1 ||
        { status=1; echo "the walk stopped on $profile:"; tail -n 3 "$root/build/walk-$profile.log"; }
done
for profile in $HH_PROFILES; do
    page=$(ls "$root/build/run/$profile/shots/"*-settings-page.png 2>/dev/null | head -n1)
    [ -n "$page" ] && pages+=(-label "$profile" "$page")
done
# Each page at its own pixels, so the high-resolution screens show twice as large, as side by side.
if [ ${#pages[@]} -gt 0 ]; then
    /usr/bin/montage "${pages[@]}" -tile x1 -geometry +8+8 -background '#d0d0d0' -pointsize 14 \
        "$root/docs/settings-pages.png" && echo "Montage: $root/docs/settings-pages.png"
fi
exit $status
