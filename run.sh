#!/usr/bin/env bash
# Installs what is missing, builds and starts ZOZEVERE. Arguments go to the program ("trace").
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOZEVERE_TESTS=OFF
cmake --build build
exec build/app/zozevere "$@"
