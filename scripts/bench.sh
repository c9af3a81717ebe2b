#!/usr/bin/env bash
# Builds and runs the benchmarks on the qvga and vga handhelds and prints their figures in one
# table, with the size of the installed program. The machine's own load at the start is printed
# with the table: figures taken on a busy machine are not a quiet one's. Each benchmark's own report is kept in
# build/bench/PROFILE/NAME.txt; its lines "figure NAME VALUE UNIT LABEL" make the table's rows,
# and "floor NAME VALUE" the floor beside a figure: what the same system calls cost alone.
set -eu
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
start_load=$(cut -d' ' -f1-3 /proc/loadavg)
benches="draw_cursor_bench report_bench burst_bench latency_bench startup_bench picker_bench"
profiles="qvga vga"
out=build/bench
rm -rf "$out"
mkdir -p "$out"
: >"$out/figures.txt"
failed=
for profile in $profiles; do
    mkdir -p "$out/$profile"
    for bench in $benches; do
        echo "running $bench on $profile" >&2
        QM_PROFILE=$profile scripts/wine-run "build/cross/bin/$bench.exe" >"$out/$profile/$bench.txt" \
            2>"$out/$profile/$bench.err" || failed="$failed $profile/$bench"
        grep -E '^(figure|floor) ' "$out/$profile/$bench.txt" | tr -d '\r' | sed "s/^/$profile /" \
            >>"$out/figures.txt" || true
    done
done

# A report's way from the feed to the cursor once more, with every core kept busy by a load of
# our own (the same as scripts/flake.sh's).
. scripts/cpu_load
trap load_stop EXIT
load_start
for profile in $profiles; do
    echo "running latency_bench on $profile, every core busy" >&2
    QM_BENCH_LOAD=busy QM_PROFILE=$profile scripts/wine-run build/cross/bin/latency_bench.exe \
        >"$out/$profile/latency_bench.busy.txt" 2>"$out/$profile/latency_bench.busy.err" ||
        failed="$failed $profile/latency_bench(busy)"
    grep -E '^(figure|floor) ' "$out/$profile/latency_bench.busy.txt" | tr -d '\r' | sed "s/^/$profile /" \
        >>"$out/figures.txt" || true
done
load_stop

# The program as it is installed, stripped (`cmake --install --strip`; the build lays it out).
size=$(stat -c %s build/cross/program/quillmark.exe)
for profile in $profiles; do
    echo "$profile figure program.stripped $size bytes the installed program, stripped (quillmark.exe)"
done >>"$out/figures.txt"

awk -v profiles="$profiles" '
    $2 == "floor" { floor[$3, $1] = $4; next }
    {
        p = $1; name = $3
        if (!(name in unit)) order[++rows] = name
        value[name, p] = $4; unit[name] = $5
        label = $0; sub(/^[^ ]+ [^ ]+ [^ ]+ [^ ]+ [^ ]+ /, "", label); text[name] = label
    }
    END {
        n = split(profiles, P, " ")
        printf "%-62s", "figure"
        for (i = 1; i <= n; i++) printf " %10s", P[i]
        for (i = 1; i <= n; i++) printf " %12s", "floor " P[i]
        printf "  unit\n"
        for (r = 1; r <= rows; r++) {
            name = order[r]
            printf "%-62s", text[name]
            for (i = 1; i <= n; i++) printf " %10s", ((name, P[i]) in value) ? value[name, P[i]] : "-"
            for (i = 1; i <= n; i++) printf " %12s", ((name, P[i]) in floor) ? floor[name, P[i]] : ""
            printf "  %s\n", unit[name]
        }
    }' "$out/figures.txt"
echo "Load average at the start: $start_load (cores: $(nproc))"
echo "Each benchmark's report: $out/PROFILE/NAME.txt"
if [ -n "$failed" ]; then
    echo "failed:$failed (see $out/PROFILE/NAME.err)" >&2
    exit 1
fi
