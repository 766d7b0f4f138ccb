#!/usr/bin/env bash
# Builds Tessarine and starts it in the folder of the bundled sample logs.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cd samples
exec ../build/tessarine
