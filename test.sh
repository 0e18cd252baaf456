#!/usr/bin/env bash
# Installs what is missing (no sound server: see scripts/install-deps.sh), builds with
# AddressSanitizer and UndefinedBehaviorSanitizer (benchmarks included, so that they keep
# building), runs every test once and ends with the tests that were skipped and why, and those
# that needed their retry.
# CMAKE_BUILD_PARALLEL_LEVEL limits the build's jobs and the tests run at once (every core by
# default).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh tests
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZOZEVERE_SANITIZE=ON -DZOZEVERE_TESTS=ON -DZOZEVERE_BENCH=ON
cmake --build build-test
export QT_QPA_PLATFORM=offscreen
jobs="${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}"
status=0
ctest --test-dir build-test --output-on-failure -j "$jobs" || status=$?
# Read from this run's log before a second run replaces it.
skipped="$(scripts/skipped-tests.sh build-test)"
retried=""
if [[ $status -ne 0 ]]; then
  # A session of the real program on a private sound server (labelled sound-server) that the
  # machine held up from elsewhere may fail on that alone: those that failed run again, alone, up
  # to twice (a kernel memory monitor such as DAMON holds a sanitized program up now and then even
  # on a quiet machine), and the run fails if one fails both times. Any other test that failed
  # fails the run.
  failed="$(cut -d: -f1 build-test/Testing/Temporary/LastTestsFailed.log 2>/dev/null || true)"
  onServer="$(ctest --test-dir build-test -N -L sound-server | sed -n 's/^ *Test *#\([0-9]*\):.*/\1/p')"
  again="$(comm -12 <(sort <<<"$failed") <(sort <<<"$onServer") | sort -n | paste -sd, -)"
  if [[ -n "$failed" && -n "$again" && -z "$(comm -23 <(sort <<<"$failed") <(sort <<<"$onServer"))" ]]; then
    status=0
  fi
  if [[ -n "$again" ]]; then
    echo
    echo "Run again (up to twice), as they failed on a private sound server:"
    retryStatus=0
    ctest --test-dir build-test --output-on-failure --repeat until-pass:2 -I "0,0,0,$again" || retryStatus=$?
    failedAgain="$(cut -d: -f1 build-test/Testing/Temporary/LastTestsFailed.log 2>/dev/null || true)"
    [[ $retryStatus -eq 0 ]] || { status=1; [[ -n "$failedAgain" ]] || failedAgain="$(tr , '\n' <<<"$again")"; }
    [[ $retryStatus -ne 0 ]] || failedAgain=""
    for number in ${again//,/ }; do
      name="$(ctest --test-dir build-test -N -I "0,0,0,$number" | sed -n 's/^ *Test *#[0-9]*: //p')"
      grep -qx "$number" <<<"$failedAgain" && verdict="failed again" || verdict="passed on its retry"
      retried+="  $name: $verdict"$'\n'
    done
  fi
fi
echo "$skipped"
if [[ -n "$retried" ]]; then
  echo
  echo "Test(s) on a private sound server that needed their retry:"
  printf '%s' "$retried"
fi
exit "$status"
