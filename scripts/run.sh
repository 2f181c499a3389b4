#!/usr/bin/env bash
# Builds Quorvel and starts it. Usage: scripts/run.sh [CATALOG.qrv]
# With no catalogue given it opens a sample catalogue, made on the first run.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorvel qrvtool

catalog="${1:-}"
if [ -z "$catalog" ]; then
  catalog="$root/build/sample/sample.qrv"
  if [ ! -f "$catalog" ]; then
    # The desktop backgrounds that install-deps.sh brings, added as disks the way the program
    # adds them; made in a temporary file, so that an interrupted run leaves no half sample.
    mkdir -p "$(dirname "$catalog")"
    rm -f "$catalog.part"
    backgrounds=/usr/share/backgrounds
    ./build/tools/qrvtool/qrvtool add "$catalog.part" "$backgrounds/mate/abstract" "Абстракция"
    ./build/tools/qrvtool/qrvtool add "$catalog.part" "$backgrounds/mate/nature" "Природа"
    ./build/tools/qrvtool/qrvtool add "$catalog.part" "$backgrounds/mate/desktop" "Рабочий стол"
    ./build/tools/qrvtool/qrvtool add "$catalog.part" "$backgrounds" "Обои UKUI" --no-subfolders
    mv "$catalog.part" "$catalog"
  fi
  echo "run: opening the sample catalogue $catalog"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display here; starting Quorvel on a virtual X server (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1280x800x24" ./build/src/app/quorvel "$catalog"
fi
exec ./build/src/app/quorvel "$catalog"
