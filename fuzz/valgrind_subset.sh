#!/usr/bin/env bash
# Runs a representative subset of the tests under valgrind: the reader, the
# loader/query and stream test programs and the corpus replay. Any memory
# error or definite/indirect leak fails the run.
# Usage: fuzz/valgrind_subset.sh [build-dir]   (a build without sanitizers)
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}
scripts/install-deps.sh valgrind
run() {
  echo "== valgrind $*"
  valgrind --quiet --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
    --show-leak-kinds=definite,indirect "$@"
}
for program in reader api stream parse; do
  binary="$build/tests/kexif_${program}_tests"
  [ -x "$binary" ] || continue
  run "$binary" --gtest_brief=1
done
# Timing means nothing at valgrind's speed; the heap allowance still holds.
run "$build/fuzz/kexif_fuzz_replay" --seeds --time-limit-ms 0 tests/corpus
