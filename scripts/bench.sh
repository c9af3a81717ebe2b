#!/usr/bin/env bash
# Builds and runs the benchmarks on the qvga and vga handhelds; prints their figures.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
for profile in qvga vga; do
    echo "== $profile"
    QM_PROFILE=$profile scripts/wine-run build/cross/bin/draw_cursor_bench.exe
    QM_PROFILE=$profile scripts/wine-run build/cross/bin/report_bench.exe
    QM_PROFILE=$profile scripts/wine-run build/cross/bin/burst_bench.exe
    QM_PROFILE=$profile scripts/wine-run build/cross/bin/picker_bench.exe
done
