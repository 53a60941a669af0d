#!/bin/sh
# ctest with one more run for a failing test, and a closing list of every
# test that needed it and of every test that skipped, with its reason, so
# neither a retry nor a gap in coverage goes unseen in CI output.
#   scripts/ctest-retry.sh BUILD_DIR [ctest options...]
# Exits with ctest's status: a test that failed twice fails the run.
set -u
build=$1
shift
log="$build/Testing/ctest-retry.log"
mkdir -p "$build/Testing"
status_file="$build/Testing/ctest-retry.status"
{ ctest --test-dir "$build" --repeat until-pass:2 "$@" 2>&1; echo $? > "$status_file"; } |
    tee "$log"
status=$(cat "$status_file")
echo
retry_summary() {
    # A result line: "[k/n] Test #N: NAME ....   Passed" (or ***Failed, ***Timeout,
    # ***Exception...). A name with more than one result line was run again.
    sed -n 's/^ *[0-9/]* *Test *#[0-9]*: \([^ ]*\) \.*[ *]*\([A-Za-z]*\).*/\1 \2/p' "$1" |
        awk '{ runs[$1]++; last[$1] = $2 }
             END { for (name in runs) if (runs[name] > 1) {
                       outcome = last[name] == "Passed" ? "passed on its retry" : "failed its retry too"
                       printf "%s %s\n", name, outcome } }' |
        sort
}
retried=$(retry_summary "$log")
if [ -n "$retried" ]; then
    echo "Tests that needed a retry ($(echo "$retried" | wc -l)):"
    echo "$retried" | sed 's/^/    RETRIED /'
    echo "A test that needs a retry in three CI runs in a row is flaky: mend it."
else
    echo "No test needed a retry."
fi
# A skipping test says why as a line of its own output ("skipped: ..." or
# "SKIP: ..."); ctest keeps every test's output in LastTest.log.
skip_summary() {
    sed -n 's/^ *[0-9/]* *Test *#[0-9]*: \([^ ]*\) \.*\*\*\*Skipped.*/\1/p' "$log" | sort -u |
        awk -v details="$build/Testing/Temporary/LastTest.log" '
            BEGIN {
                while ((getline line < details) > 0) {
                    if (line ~ /^[0-9]+\/[0-9]+ Test: /) { split(line, f, " "); name = f[3] }
                    else if (!(name in why) && tolower(line) ~ /^skip(ped)?:/) {
                        sub(/^[^:]*: */, "", line)
                        why[name] = line
                    }
                }
            }
            { printf "%s: %s\n", $1, ($1 in why) ? why[$1] : "(it gave no reason)" }'
}
skipped=$(skip_summary)
if [ -n "$skipped" ]; then
    echo "Tests that were skipped, so did not check anything here ($(echo "$skipped" | wc -l)):"
    echo "$skipped" | sed 's/^/    SKIPPED /'
else
    echo "No test was skipped."
fi
# ctest's own closing line goes last again, where CI reads the result.
grep -E '^[0-9]+% tests passed' "$log" | tail -n 1
exit "$status"
