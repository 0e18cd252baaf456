#!/usr/bin/env bash
# Installs what is missing (no sound server: see scripts/install-deps.sh), builds with
# AddressSanitizer and UndefinedBehaviorSanitizer (benchmarks included, so that they keep
# building), runs every test and ends with the tests that were skipped and why.
# CMAKE_BUILD_PARALLEL_LEVEL limits the build's jobs and the tests run at once (every core by
# default).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh tests
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOZEVERE_SANITIZE=ON -DZOZEVERE_TESTS=ON -DZOZEVERE_BENCH=ON
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
status=0
ctest --test-dir build-test --output-on-failure -j "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" || status=$?
scripts/skipped-tests.sh build-test
exit "$status"
