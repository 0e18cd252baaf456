#!/usr/bin/env bash
# Lists the tests of the last ctest run in the given build folder that were skipped, each
# with the reason it gave (GTEST_SKIP's message), read from ctest's log of the run.
set -euo pipefail
log="${1:-build-test}/Testing/Temporary/LastTest.log"
[[ -f "$log" ]] || exit 0
awk '
  /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); test = $0; reason = ""; inReason = 0; next }
  /: Skipped$/             { inReason = 1; next }
  /^\[  SKIPPED \] /       { if (test != "") { skipped[++count] = test; why[count] = reason }
                             test = ""; inReason = 0; next }
  /^\[/                    { inReason = 0; next }
  inReason && NF           { reason = reason (reason == "" ? "" : " ") $0 }
  END {
    if (count == 0) { print "No test was skipped."; exit }
    print ""
    print count " test(s) skipped:"
    for (i = 1; i <= count; ++i)
      print "  " skipped[i] ": " (why[i] == "" ? "(no reason given)" : why[i])
  }
' "$log"
