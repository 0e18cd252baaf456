#!/usr/bin/env bash
# Builds the program with each fault of its sound path in turn and runs the one-minute and the
# five-power-cycle sound sessions on PulseAudio and on PipeWire: a fault the sessions let pass
# is one they would not see come back. Not run by CI: each fault takes about two minutes a run
# on an otherwise quiet machine, beside the first build of the copy.
#
# Each fault is a patch beside this script, applied to a copy of the source tree's committed
# HEAD (never to the checkout itself) and taken back after its runs, so that one build folder
# serves them all and ninja rebuilds only the file the fault is in.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
readonly here
readonly all_faults=(unmutated drop-traced drop-untraced repeat-traced cut-48 cut-96 client-thread-sleep main-thread-sleep)
readonly sessions=(PlaysAMinuteOfPureToneAtNormalPriority ComesBackAfterFivePowerCycles)
readonly servers=(PulseAudio PipeWire)
# Half the machine's eight cores: other builds share it.
readonly build_jobs=4
# A session on a private server takes half of the machine's test slots (as under ctest).
readonly sessions_at_once=2

faults=()
runs=3
source_tree=""
work=""
keep=false

usage() {
    cat <<EOF
Usage: $0 [-f FAULT]... [-n RUNS] [-s SOURCE] [-w WORK] [-k]
  -f FAULT   a fault to build in (repeatable; default: all). One of:
             ${all_faults[*]}
             (unmutated is the program as it is: the baseline)
  -n RUNS    how many times each session runs for each fault (default 3)
  -s SOURCE  the git checkout whose committed HEAD is tested (default: the one holding this script)
  -w WORK    the work folder for the copy, the build and the logs (default: a new one under /tmp)
  -k         keep the work folder afterwards: its logs, and its build for the next run with -w
EOF
}

parse_options() {
    while getopts "f:n:s:w:kh" option; do
        case $option in
            f) faults+=("$OPTARG") ;;
            n) runs=$OPTARG ;;
            s) source_tree=$OPTARG ;;
            w) work=$OPTARG ;;
            k) keep=true ;;
            h) usage; exit 0 ;;
            *) usage >&2; exit 2 ;;
        esac
    done
    [[ ${#faults[@]} -gt 0 ]] || faults=("${all_faults[@]}")
    local fault
    for fault in "${faults[@]}"; do
        [[ $fault == unmutated || -f $here/$fault.patch ]] || { echo "unknown fault: $fault" >&2; exit 2; }
    done
    [[ $runs =~ ^[1-9][0-9]*$ ]] || { echo "runs must be a positive number" >&2; exit 2; }
    source_tree=$(git -C "${source_tree:-$here}" rev-parse --show-toplevel)
    [[ -n $work ]] || work=$(mktemp -d /tmp/zozevere-mutations.XXXXXX)
    mkdir -p "$work"
    work=$(cd "$work" && pwd)
}

# The copy of the source. A folder kept from an earlier run is brought up to this commit with
# its build: only the files changed since are written (with the time of now, so that ninja
# rebuilds them), as a fresh copy would give every file a new time and ninja would rebuild all.
prepare_copy() {
    local commit copied
    commit=$(git -C "$source_tree" rev-parse HEAD)
    copied=$(cat "$work/src-commit" 2>/dev/null || true)
    take_back_fault
    if [[ -d $work/src && -n $copied ]] && git -C "$source_tree" cat-file -e "$copied^{commit}" 2>/dev/null; then
        update_copy "$copied" "$commit"
    else
        rm -rf "$work/src" "$work/build"
        mkdir -p "$work/src"
        git -C "$source_tree" archive "$commit" | tar -x -C "$work/src"
    fi
    echo "$commit" >"$work/src-commit"
    echo "Testing $commit from $source_tree in $work"
}

update_copy() {
    local from=$1 to=$2 file
    local changed=()
    while IFS= read -r file; do
        if git -C "$source_tree" cat-file -e "$to:$file" 2>/dev/null; then
            changed+=("$file")
        else
            rm -f "$work/src/$file"
        fi
    done < <(git -C "$source_tree" diff --name-only "$from" "$to")
    [[ ${#changed[@]} -eq 0 ]] || git -C "$source_tree" archive "$to" -- "${changed[@]}" | tar -x -m -C "$work/src"
}

# The fault applied now, if any, is recorded in the work folder, so that a run stopped
# halfway leaves a copy that the next one can take back to the unmutated source.
apply_fault() {
    local fault=$1
    [[ $fault == unmutated ]] && return
    (cd "$work/src" && git apply "$here/$fault.patch")
    echo "$fault" >"$work/applied"
}

take_back_fault() {
    [[ -f $work/applied ]] || return 0
    (cd "$work/src" && git apply -R "$here/$(cat "$work/applied").patch")
    rm "$work/applied"
}

# Release with its debug information, no sanitizers: the sessions judge real-time sound, as
# a user's build plays it.
build() {
    local fault=$1
    if [[ ! -f $work/build/CMakeCache.txt ]]; then
        cmake -S "$work/src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DZOZEVERE_TESTS=ON -DZOZEVERE_SANITIZE=OFF >"$work/cmake.log"
    fi
    echo "Building with the fault $fault"
    # The sound tests' program builds the program itself and the panel driver it runs.
    cmake --build "$work/build" -j "$build_jobs" --target tests_app >"$work/build-$fault.log" 2>&1 ||
        { echo "the build with $fault failed: see $work/build-$fault.log" >&2; keep=true; exit 1; }
}

# The test suite of each server, as the test program names it.
suite_of() {
    case $1 in
        PulseAudio) echo SoundSession ;;
        PipeWire) echo SoundSessionOnPipeWire ;;
    esac
}

# One session of one run: its verdict is added to the results as one line.
run_session() {
    local fault=$1 run=$2 server=$3 session=$4
    local suite
    suite=$(suite_of "$server")
    local log=$work/logs/$fault/run$run/$server.$session.log
    local verdict=failed
    mkdir -p "$(dirname "$log")"
    # ctest runs the test program in the tests' build folder, offscreen, with five minutes a test.
    if (cd "$work/build/tests" &&
        QT_QPA_PLATFORM=offscreen timeout 300 ./tests_app --gtest_filter="$suite.$session") >"$log" 2>&1; then
        verdict=passed
        grep -q '^\[  SKIPPED \]' "$log" && verdict=skipped
    fi
    echo "$fault $run $server $session $verdict" >>"$work/results"
    echo "  run $run  $server  $session: $verdict"
}
# xargs runs them in shells of their own.
export -f suite_of run_session

run_sessions() {
    local fault=$1 run server session
    for ((run = 1; run <= runs; run++)); do
        for session in "${sessions[@]}"; do
            for server in "${servers[@]}"; do
                printf '%s %s %s %s\n' "$fault" "$run" "$server" "$session"
            done
        done
    done | work=$work xargs -P "$sessions_at_once" -L 1 bash -c 'run_session "$@"' _
}

# The table: passed/failed counts of each fault, session and server; a fault is caught when
# in every run at least one of the sessions failed on each server.
print_table() {
    echo
    echo "Results, $(date -u '+%Y-%m-%d %H:%M UTC'), load average now: $(cut -d' ' -f1-3 /proc/loadavg)"
    awk -v runs="$runs" -v faultList="${faults[*]}" -v sessionList="${sessions[*]}" -v serverList="${servers[*]}" '
        { count[$1, $4, $3, $5]++
          if ($5 == "failed") failedIn[$1, $2, $3] = 1 }
        END {
            nf = split(faultList, faults, " "); ns = split(sessionList, sessions, " "); nv = split(serverList, servers, " ")
            printf "%-20s %-40s %-10s %6s %6s %7s\n", "fault", "session", "server", "passed", "failed", "skipped"
            for (f = 1; f <= nf; f++) {
                fault = faults[f]
                for (s = 1; s <= ns; s++)
                    for (v = 1; v <= nv; v++)
                        printf "%-20s %-40s %-10s %6d %6d %7d\n", fault, sessions[s], servers[v],
                            count[fault, sessions[s], servers[v], "passed"], count[fault, sessions[s], servers[v], "failed"],
                            count[fault, sessions[s], servers[v], "skipped"]
                caught = "yes"
                for (r = 1; r <= runs; r++)
                    if (!failedIn[fault, r, "PulseAudio"] || !failedIn[fault, r, "PipeWire"]) caught = "no"
                # The unmutated program is the baseline: it should be "caught" nowhere.
                printf "%-20s %s: %s\n\n", fault,
                    fault == "unmutated" ? "failed on both servers in every run (baseline)" : "caught in every run on both servers", caught
            }
        }' "$work/results"
}

finish() {
    take_back_fault || true
    if $keep; then
        echo "The work folder is kept: $work"
    else
        rm -rf "$work"
    fi
}

main() {
    parse_options "$@"
    trap finish EXIT
    prepare_copy
    rm -f "$work/results"
    echo "Load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
    local fault
    for fault in "${faults[@]}"; do
        apply_fault "$fault"
        build "$fault"
        run_sessions "$fault"
        take_back_fault
    done
    print_table
}

main "$@"
