#!/usr/bin/env bash
# Builds Tessarine and starts it in the folder of the bundled sample logs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Only the program: the tests and benchmarks are built by scripts/test.sh.
cmake --build build -j"$(nproc)" --target tessarine
cd samples
exec ../build/tessarine
