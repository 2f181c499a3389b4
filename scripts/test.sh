#!/usr/bin/env bash
# Builds Quorvel with everything and runs every test. Usage: scripts/test.sh
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
# Widget tests run on the offscreen platform; their CTest entries set it too. Display tests
# (label "display") set xcb and start an X server of their own.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
