#!/usr/bin/env bash
# Checks that every include points down the order of the program's rooms, builds both builds and
# runs every test: the check that the program calls only the handheld's API,
# the pure rules on the host, a short fixed run of each of their fuzzers, then the Win32 and
# whole-program tests, each on a handheld of its own under Wine.
set -eu
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/include_check.py
scripts/build.sh host
scripts/api_check.py
ctest --test-dir build/host --output-on-failure
ctest --test-dir build/fuzz --output-on-failure
ctest --test-dir build/cross --output-on-failure -j2
