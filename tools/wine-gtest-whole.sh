#!/usr/bin/env bash
# Runs every case of a GoogleTest program under Wine in as few processes as
# possible and judges each case the way the per-case runs do:
#   wine-gtest-whole.sh ARCH PROGRAM NAME KNOWN_FAILURES [EMULATION_CRASHES]
# NAME is the program's name in KNOWN_FAILURES (tests/conformance/
# wine-known-failures.txt): a listed case must fail (Wine differs from
# Windows there), every other case must pass, and every listed case must
# exist. A case listed in EMULATION_CRASHES (tests/conformance/
# emulation-crashes.txt, same form) may end its process under emulation: it
# is then reported as not run, with its reason; when it gets to its end, it
# is judged as any other. Used where starting a Wine process costs many seconds (32-bit Wine
# under user-mode emulation), so that a program of a hundred cases costs one
# start, or a few.
#
# A process that ends part-way (no final summary) is started again on the
# cases it did not get to; the case it was running counts as failed. Under
# emulation that is how every failing case ends: GoogleTest reports a
# failure on Windows through OutputDebugStringA as well, which raises an
# exception, and the emulated Wine process dies in its exception dispatch
# ("wine client error: partial write"). The known Wine failures fail by
# design, so each of them costs one more start.
# Exit code 0 when all holds, 1 otherwise, 77 when Wine cannot run ARCH here.
set -u
arch=$1 program=$2 name=$3 list=$4 crashes=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
run="$here/wine-run.sh $arch"

# The cases of NAME that a list names.
cases_of() { [ -n "$1" ] && sed -e 's/#.*$//' "$1" | awk -v n="$name" '$1 == n { print $2 }'; }
declare -A expected=() may_crash=()
while read -r case; do expected[$case]=1; done < <(cases_of "$list")
while read -r case; do may_crash[$case]=1; done < <(cases_of "$crashes")

declare -A result=()   # case -> OK, FAILED or CRASHED
failures=0
complain() { echo "wine-gtest-whole: $*"; failures=$((failures + 1)); }

log=$(mktemp)
trap 'rm -f "$log"' EXIT
finished=0
starts=0
max_starts=$(( ${#expected[@]} + ${#may_crash[@]} + 3 ))
while [ "$finished" = 0 ] && [ "$starts" -lt "$max_starts" ]; do
  starts=$((starts + 1))
  filter=()
  if [ "${#result[@]}" -gt 0 ]; then
    filter=("--gtest_filter=-$(IFS=:; echo "${!result[*]}")")
  fi
  QJ_WINE_NO_RETRY=1 $run "$program" "${filter[@]}" 2>&1 | tr -d '\r' >"$log"
  rc=${PIPESTATUS[0]}
  cat "$log"
  [ "$rc" = 77 ] && exit 77
  running=
  progress=0
  # "[ RUN      ] Suite.Case", then "[       OK ] Suite.Case (3 ms)" or
  # "[  FAILED  ] Inst/Suite.Case/0, where GetParam() = ... (3 ms)".
  while IFS= read -r line; do
    if [[ $line =~ ^\[\ RUN\ +\]\ ([^\ ]+)$ ]]; then
      running=${BASH_REMATCH[1]}
    elif [[ $line =~ ^\[\ +(OK|FAILED)\ +\]\ ([^\ ,]+)(,\ where\ .*)?\ \([0-9]+\ ms\)$ ]]; then
      result[${BASH_REMATCH[2]}]=${BASH_REMATCH[1]}
      running=
      progress=1
    fi
  done <"$log"
  if grep -Eq '^\[==========\] [0-9]+ tests? from [0-9]+ test suites? ran\.' "$log"; then
    finished=1
  elif [ -n "$running" ]; then
    echo "wine-gtest-whole: the process ended in $running (exit code $rc); starting again after it"
    result[$running]=CRASHED
  elif [ "$progress" = 0 ]; then
    complain "$program ended (exit code $rc) before it ran a case"
    break
  fi
done
[ "$finished" = 1 ] || complain "$program did not get through its cases in $starts starts"

[ "${#result[@]}" -gt 0 ] || complain "$program reported no test case"
not_run=0
for case in "${!result[@]}"; do
  if [ "${result[$case]}" = CRASHED ] && [ -n "${may_crash[$case]:-}" ]; then
    echo "wine-gtest-whole: NOT RUN under emulation: $case ended its process (listed in $crashes)"
    not_run=$((not_run + 1))
  elif [ -n "${expected[$case]:-}" ]; then
    [ "${result[$case]}" != OK ] || complain "$case passes under Wine but is listed as a known Wine failure: take it off $list"
  else
    [ "${result[$case]}" = OK ] || complain "$case ${result[$case]}"
  fi
done
for case in "${!expected[@]}" "${!may_crash[@]}"; do
  [ -n "${result[$case]:-}" ] || complain "a list names $name $case, which is not a test"
done
echo "wine-gtest-whole: ${#result[@]} cases in $starts Wine processes, ${#expected[@]} listed as known Wine failures, $not_run not run (they end an emulated process), $failures problems"
[ "$failures" = 0 ]
