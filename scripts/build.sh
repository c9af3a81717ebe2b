#!/usr/bin/env bash
# Configures and builds the cross build (the program, the handheld's pieces, the Win32 tests)
# into build/cross, and with "host" also the host build of the pure rules into build/host and
# their fuzzers, made with clang, into build/fuzz.
set -eu
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build/cross -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release --no-warn-unused-cli >/dev/null
cmake --build build/cross -j"$jobs"
if [ "${1:-}" = host ]; then
    cmake -S . -B build/host -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build build/host -j"$jobs"
    cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DQM_FUZZ=ON >/dev/null
    cmake --build build/fuzz -j"$jobs"
fi
