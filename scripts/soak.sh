#!/usr/bin/env bash
# The long soaks, kept out of the test run: a million random reports (or REPORTS) through the
# HID driver stand-in's feed into the real program, then the in-process soaks at full length
# (100,000 cursor moves on both screens, 100,000 random reports, a 10,000-report flood through
# the feed). Each runs on a handheld of its own and prints its figures.
#   scripts/soak.sh [REPORTS]
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
export QM_SOAK_LONG=1
if [ -n "${1:-}" ]; then export QM_SOAK_REPORTS=$1; fi
bin=build/cross/bin
failed=
soak() { # NAME PROGRAM [ARGUMENTS...]
    local name=$1
    shift
    echo "== $name"
    local start=$SECONDS
    scripts/wine-run "$@" || failed="$failed, $name"
    echo "== $name: $((SECONDS - start)) s"
}
soak "feed soak" $bin/feed_soak_test.exe
for profile in qvga vga; do
    QM_PROFILE=$profile soak "cursor moves, $profile" $bin/draw_cursor_test.exe --gtest_filter='*ManyMoves*'
done
soak "random reports" $bin/report_soak_test.exe
soak "flood through the feed" $bin/mouse_link_test.exe --gtest_filter='*Flood*'
if [ -n "$failed" ]; then
    echo "soaks failed: ${failed#, }"
    exit 1
fi
