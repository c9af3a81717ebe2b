#!/usr/bin/env bash
# Runs the Wine test layer (ctest in build/cross, as scripts/test.sh does) RUNS times (default 5)
# while a load of its own keeps every core busy, then prints every test that failed at least
# once: how many runs it failed, and the first lines of its first failure. Each run's report is
# kept in build/flake/run-N.xml (JUnit) and build/flake/run-N.log; a failed test's screenshot is
# in build/cross/failures.
#   scripts/flake.sh [RUNS]          QM_FLAKE_JOBS: tests at once (default 2, as scripts/test.sh)
set -eu
cd "$(dirname "$0")/.."
runs=${1:-5}
case $runs in '' | *[!0-9]* | 0) echo "usage: scripts/flake.sh [RUNS]" >&2; exit 1 ;; esac
scripts/setup.sh
# Both builds, as scripts/test.sh makes them: a whole-program test plays a recording through the
# host build's bridge.
scripts/build.sh host >/dev/null
. scripts/cpu_load
out=build/flake
rm -rf "$out" build/cross/failures
mkdir -p "$out"
trap load_stop EXIT
trap 'exit 130' INT TERM
load_start
for ((run = 1; run <= runs; run++)); do
    echo "run $run of $runs" >&2
    ctest --test-dir build/cross -j"${QM_FLAKE_JOBS:-2}" --output-on-failure --output-junit "$PWD/$out/run-$run.xml" \
        >"$out/run-$run.log" 2>&1 || true
    tail -n 1 "$out/run-$run.log" >&2
done
load_stop

python3 - "$out" "$runs" <<'PY'
import glob, re, sys
import xml.etree.ElementTree as ET
out, runs = sys.argv[1], int(sys.argv[2])
failed, first, total = {}, {}, set()
for run in range(1, runs + 1):
    try:
        root = ET.parse(f"{out}/run-{run}.xml").getroot()
    except (OSError, ET.ParseError) as e:
        print(f"run {run}: no report ({e})")
        continue
    # ctest's own verdict of each test ("Failed", "Timeout", "Exception: ..."), from its log.
    verdicts = {}
    try:
        for line in open(f"{out}/run-{run}.log", errors="replace"):
            m = re.search(r"Test +#\d+: (\S+) \.*\*+(.*?) +([0-9.]+ sec)", line)
            if m:
                verdicts[m.group(1)] = f"{m.group(2)} after {m.group(3)}"
    except OSError:
        pass
    for case in root.iter("testcase"):
        name = case.get("name")
        total.add(name)
        if case.get("status") in ("run", None) and case.find("failure") is None:
            continue
        failed[name] = failed.get(name, 0) + 1
        if name in first:
            continue
        text = [l for l in (case.findtext("system-out") or "").splitlines() if "fixme:" not in l]
        verdict = verdicts.get(name, "failed")
        # The first check that failed and what it printed; for a test that was stopped, where it was.
        at = next((i for i, l in enumerate(text) if re.search(r"Failure|exited with [1-9]|Assertion", l)), None)
        lines = text[at:at + 8] if at is not None and "Timeout" not in verdict else text[-6:]
        first[name] = (run, [verdict] + lines)
print(f"{len(total)} tests, {runs} runs under a load of our own on every core")
if not failed:
    print("no test failed")
    sys.exit(0)
print(f"{'test':40} {'failed':>8}  first failure")
for name in sorted(failed, key=lambda n: (-failed[n], n)):
    run, lines = first[name]
    print(f"{name:40} {failed[name]:>4}/{runs:<3}  (run {run})")
    for l in lines:
        print(f"{'':52}{l[:160]}")
sys.exit(1)
PY
