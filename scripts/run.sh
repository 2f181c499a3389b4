#!/usr/bin/env bash
# Builds Quorvel and starts it. Usage: scripts/run.sh [CATALOG.qrv]
# With no catalogue given it opens a sample catalogue, made on the first run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorvel qrvtool make_sample_catalog

catalog="${1:-}"
if [ -z "$catalog" ]; then
  catalog="$root/build/sample/sample.qrv"
  if [ ! -f "$catalog" ]; then
    mkdir -p "$(dirname "$catalog")"
    ./build/tests/support/make_sample_catalog "$catalog"
  fi
  echo "run: opening the sample catalogue $catalog"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here; starting Quorvel on a virtual X server (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x800x24" ./build/src/app/quorvel "$catalog"
fi
exec ./build/src/app/quorvel "$catalog"
