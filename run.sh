#!/usr/bin/env bash
# Installs what is missing, builds and starts ZOZEVERE. Arguments go to the program ("trace").
# CMAKE_BUILD_PARALLEL_LEVEL limits the build's jobs (every core by default).
set -euo pipefail
cd "$(dirname "$0")"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  # Without a desktop the program can still run on a virtual screen: what that takes is
  # installed here, so that the command below works.
  scripts/install-deps.sh xvfb
  echo "ZOZEVERE needs a desktop session (neither DISPLAY nor WAYLAND_DISPLAY is set); without one, run it under Xvfb: xvfb-run -a ./run.sh" >&2
  exit 1
fi
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOZEVERE_TESTS=OFF
cmake --build build
exec build/app/zozevere "$@"
