#!/usr/bin/env bash
# Mutation run: applies mechanical faults to the library's sources one at a
# time (a flipped or shifted comparison, a size or offset nudged by one, a
# dropped early exit, a swapped byte-order call, a condition forced true or
# false, a constant changed; scripts/mutants.py lists them), rebuilds
# incrementally and runs the unit tests and the corpus replay. A mutant is
# killed when a test program fails, timed out when one runs past its limit,
# stillborn when it does not compile (not counted), and survives otherwise.
#
# Usage: scripts/mutation.sh [--count N] [--seed S] [--build DIR] [--jobs J]
#                            [--max-minutes M] [--mutants LIST] [--matrix]
# The same sources, count and seed give the same mutants; --mutants runs the
# lines of a list that scripts/mutants.py wrote instead (for instance the
# survivors of an earlier run, after new tests). The sources are
# mutated in a copy of the tree inside the build folder, so the working tree
# is never touched; each mutated file is restored before the next mutant,
# and on exit.
#
# --matrix runs every test program to its end for each mutant and writes
# matrix.tsv: the mutant's line of the list, then the names of the tests it
# failed, comma-separated (the corpus replay is the one test "replay"). From
# it scripts/kill-matrix.py counts, per test, the mutants it kills and those
# no other test kills, and lists the tests that kill none.
set -eu
cd "$(dirname "$0")/.."
root=$PWD
count=200
seed=1
build=build-mutation
jobs=$(nproc)
max_minutes=0
given=""
matrix=0
while [ $# -gt 0 ]; do
  case $1 in
    --count) count=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --max-minutes) max_minutes=$2; shift 2 ;;
    --mutants) given=$(realpath "$2"); shift 2 ;;
    --matrix) matrix=1; shift ;;
    *) echo "usage: $0 [--count N] [--seed S] [--build DIR] [--jobs J] [--max-minutes M] [--mutants LIST] [--matrix]" >&2; exit 2 ;;
  esac
done
case $build in /*) ;; *) build=$root/$build ;; esac
src=$build/src
bin=$build/out
saved=$build/saved
mkdir -p "$src" "$bin" "$saved"

# A snapshot of the tree: library, tests and build files, no build folders.
# Only files whose bytes differ are copied, and they get the time of the
# copy, so that ninja never takes an object built from a mutant for current.
stage=$build/stage
rm -rf "$stage"
mkdir -p "$stage"
tar -C "$root" --exclude='./build*' --exclude=./.git --exclude=./python -cf - . | tar -C "$stage" -xf -
(cd "$stage" && find . -type f) | while read -r f; do
  if ! cmp -s "$stage/$f" "$src/$f"; then
    mkdir -p "$(dirname "$src/$f")"
    cp "$stage/$f" "$src/$f"
  fi
done
(cd "$src" && find . -type f) | while read -r f; do [ -e "$stage/$f" ] || rm -f "$src/$f"; done
rm -rf "$stage"

export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
linker=()
if command -v ld.lld >/dev/null; then linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld); fi
cmake -S "$src" -B "$bin" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O1 "${linker[@]}" >/dev/null

# The test programs, one per folder of tests/unit, then the corpus replay.
folders=()
for d in "$src"/tests/unit/*/; do
  name=$(basename "$d")
  [ "$name" = windows ] || folders+=("$name")
done
programs=()
for name in "${folders[@]}"; do programs+=("kexif_${name}_tests"); done
programs+=(kexif_fuzz_replay)

# The kill test stops saves at random instants: its outcome is not a function
# of the mutant, so it is left out here (the test builds run it).
filter=--gtest_filter=-SaveKilled.*

run_program() {  # program seconds -> exit status of the run (124: timed out)
  local program=$1 limit=$2 status=0
  if [ "$program" = kexif_fuzz_replay ]; then
    (cd "$bin" && timeout -k 2 "$limit" fuzz/kexif_fuzz_replay --seeds "$src/tests/corpus" >/dev/null 2>&1 &&
      timeout -k 2 "$limit" fuzz/kexif_fuzz_replay --through lazy-scan --seeds "$src/tests/corpus" >/dev/null 2>&1) || status=$?
  else
    (cd "$bin" && timeout -k 2 "$limit" "tests/$program" "$filter" >/dev/null 2>&1) || status=$?
  fi
  return $status
}

# For xargs: records the status of one program and stops further starts
# (exit 255) when it failed.
run_recorded() {
  local status=0
  run_program "$1" "$2" || status=$?
  echo "$status" >"$build/status/$1"
  [ "$status" -eq 0 ] || exit 255
}
# Matrix mode: the names of the failing tests of one program, one a line. A
# crash or a timeout ends a run inside one test, which counts as failing;
# the program then runs again without it (three runs at most), so that the
# tests after it still count.
failing_tests() {  # program seconds
  local program=$1 limit=$2 skipped=SaveKilled.* out status run culprit
  if [ "$program" = kexif_fuzz_replay ]; then
    run_program "$program" "$limit" || echo replay
    return 0
  fi
  for run in 1 2 3; do
    status=0
    out=$(cd "$bin" && timeout -k 2 "$limit" "tests/$program" "--gtest_filter=-$skipped" 2>&1) || status=$?
    [ "$status" -ne 0 ] || return 0
    # "[  FAILED  ] Suite.Name (3 ms)" after each test, "[  FAILED  ] N tests, listed below:" at the end.
    sed -n 's/^\[  FAILED  \] \([^ ,]*\.[^ ,]*\).*/\1/p' <<<"$out" | sort -u
    # A finished run ends with "[==========] N tests from M test suites ran."
    if grep -q '^\[==========\] .* ran\.' <<<"$out"; then return 0; fi
    culprit=$(sed -n 's/^\[ RUN      \] //p' <<<"$out" | tail -n 1)
    [ -n "$culprit" ] || { echo "$program"; return 0; }
    echo "$culprit"
    skipped=$skipped:$culprit
  done
}

# The tests of every program, as gtest names them.
list_tests() {
  local program
  for program in "${programs[@]}"; do
    [ "$program" != kexif_fuzz_replay ] || { echo replay; continue; }
    "$bin/tests/$program" --gtest_list_tests "--gtest_filter=-SaveKilled.*" |
      awk '/^[^ ]/ { suite = $1; next } { print suite $1 }'
  done
}
export -f run_program run_recorded failing_tests
export bin src filter build

echo "== building the unmutated tree and timing its test programs"
ninja -C "$bin" -j "$jobs" "${programs[@]}" >/dev/null
declare -A limit
for program in "${programs[@]}"; do
  start=$(date +%s%N)
  if ! run_program "$program" 600; then
    echo "$program fails without any mutation: fix that first" >&2
    exit 1
  fi
  ms=$(( ($(date +%s%N) - start) / 1000000 ))
  # Three times the clean run, and at least ten seconds.
  limit[$program]=$(( ms * 3 / 1000 + 10 ))
  printf '  %-28s %6d ms (limit %ss)\n' "$program" "$ms" "${limit[$program]}"
done

list=$build/mutants.tsv
if [ -n "$given" ]; then
  cp "$given" "$list.given"
  mv "$list.given" "$list"
else
  python3 "$root/scripts/mutants.py" "$src" "$count" "$seed" >"$list"
fi

current=""
# A plain copy gives the restored file a new time, so that ninja rebuilds it.
restore() {
  if [ -n "$current" ] && [ -f "$saved/current" ]; then cp "$saved/current" "$src/$current"; fi
  current=""
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

killed=0 survived=0 timedout=0 stillborn=0 done_count=0
report=$build/report.txt
: >"$report"
# The outcome, then the mutant's line of the list, for reruns of a subset.
outcomes=$build/outcomes.tsv
: >"$outcomes"
matrix_file=$build/matrix.tsv
if [ "$matrix" = 1 ]; then
  : >"$matrix_file"
  list_tests >"$build/tests.txt"
fi
started=$(date +%s)
total=$(wc -l <"$list")
echo "== $total mutants, seed $seed"
while IFS=$'\t' read -r file line from to replacement what; do
  if [ "$max_minutes" -gt 0 ] && [ $(( $(date +%s) - started )) -ge $(( max_minutes * 60 )) ]; then
    echo "== stopped after $max_minutes minutes"
    break
  fi
  done_count=$((done_count + 1))
  cp -p "$src/$file" "$saved/current"
  current=$file
  python3 - "$src/$file" "$line" "$from" "$to" "$replacement" <<'EOF'
import sys
path, line, start, end, text = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
lines = open(path).read().split("\n")
lines[line - 1] = lines[line - 1][:start] + text + lines[line - 1][end:]
open(path, "w").write("\n".join(lines))
EOF
  # The tests of the mutated folder first; when they pass, the others two
  # at a time. The first failing program decides.
  folder=${file%%/*}
  first=kexif_${folder}_tests
  [ -n "${limit[$first]+x}" ] || first=kexif_api_tests
  outcome=survived
  rm -rf "$build/status"
  mkdir -p "$build/status"
  if [ "$matrix" = 1 ]; then
    if ! ninja -C "$bin" -j "$jobs" "${programs[@]}" >/dev/null 2>&1; then
      outcome=stillborn
    else
      failed=$(for program in "${programs[@]}"; do failing_tests "$program" "${limit[$program]}" 2>/dev/null; done | sort -u | paste -s -d ,)
      [ -z "$failed" ] || outcome="killed by $failed"
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$file" "$line" "$from" "$to" "$replacement" "$what" "$failed" >>"$matrix_file"
    fi
  elif ! ninja -C "$bin" -j "$jobs" "$first" >/dev/null 2>&1; then
    outcome=stillborn
  else
    (run_recorded "$first" "${limit[$first]}") 2>/dev/null || true
    rest=()
    for program in "${programs[@]}"; do [ "$program" = "$first" ] || rest+=("$program"); done
    if [ "$(cat "$build/status/$first")" = 0 ]; then
      if ! ninja -C "$bin" -j "$jobs" "${rest[@]}" >/dev/null 2>&1; then
        outcome=stillborn
      else
        for program in "${rest[@]}"; do echo "$program ${limit[$program]}"; done |
          xargs -P 2 -n 2 bash -c 'run_recorded "$1" "$2"' _ 2>/dev/null || true
      fi
    fi
    for program in "${programs[@]}"; do
      [ -f "$build/status/$program" ] || continue
      status=$(cat "$build/status/$program")
      if [ "$status" = 124 ] || [ "$status" = 137 ]; then
        [ "$outcome" != survived ] || outcome="timed out"
      elif [ "$status" != 0 ]; then
        outcome="killed by $program"
      fi
    done
  fi
  restore
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$outcome" "$file" "$line" "$from" "$to" "$replacement" "$what" >>"$outcomes"
  case $outcome in
    survived) survived=$((survived + 1)); echo "SURVIVED $file:$line: $what" | tee -a "$report" ;;
    stillborn) stillborn=$((stillborn + 1)); echo "stillborn $file:$line: $what" >>"$report" ;;
    "timed out") timedout=$((timedout + 1)); echo "timed out $file:$line: $what" | tee -a "$report" ;;
    *) killed=$((killed + 1)); echo "killed $file:$line: $what ($outcome)" >>"$report" ;;
  esac
done <"$list"
# The last mutated file back in the build.
ninja -C "$bin" -j "$jobs" "${programs[@]}" >/dev/null 2>&1 || true

minutes=$(( ($(date +%s) - started) / 60 ))
counted=$((killed + survived + timedout))
score=0
[ "$counted" -eq 0 ] || score=$(( (killed + timedout) * 1000 / counted ))
echo "== seed $seed, $done_count of $total mutants in $minutes min: killed $killed, timed out $timedout, survived $survived, stillborn $stillborn (not counted)"
echo "== score $((score / 10)).$((score % 10))% (killed and timed out of counted); details in $report"
if [ "$matrix" = 1 ]; then
  python3 "$root/scripts/kill-matrix.py" "$matrix_file" "$build/tests.txt" >"$build/matrix-summary.txt"
  echo "== kills per test in $build/matrix-summary.txt"
fi
