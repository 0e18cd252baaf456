#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# (benchmarks included, so that they keep building),
# and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh tests
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOZEVERE_SANITIZE=ON -DZOZEVERE_TESTS=ON -DZOZEVERE_BENCH=ON
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build-test --output-on-failure -j "$(nproc)"
