#!/usr/bin/env bash
# Builds the libFuzzer programs with clang and runs each one for a bounded
# time, starting from the generated seeds, the regression corpus and, when
# the folder ../shared/camera-samples beside the checkout exists (or the
# folder KEXIF_FUZZ_PHOTOS names), real camera photos, read only; inputs are
# cut at -max_len, which keeps a whole Exif block.
# Usage: fuzz/run_fuzzers.sh [seconds-per-target [build-dir [target...]]]
# A crash, leak, broken invariant, timeout (-timeout=1) or out-of-memory ends
# that target's run; the others still run, the status is the number of
# targets that found something, and each input is left in
# <build-dir>/artifacts/<target>/.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}
shift 2 2>/dev/null || shift $# 
scripts/install-deps.sh clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DKEXIF_FUZZ=ON -DKEXIF_BUILD_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
rm -rf "$build/seeds"
"$build/fuzz/kexif_fuzz_seeds" "$build/seeds"

photos=${KEXIF_FUZZ_PHOTOS:-../shared/camera-samples}
seed_dirs=()
if [ -d "$photos" ]; then
  seed_dirs+=("$photos")
else
  echo "no $photos: fuzzing from the generated seeds only"
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for program in "$build"/fuzz/kexif_fuzz_*; do
    name=${program##*/kexif_fuzz_}
    case $name in seeds|replay) continue ;; esac
    targets+=("${name//_/-}")
  done
fi

failed=0
for target in "${targets[@]}"; do
  program="$build/fuzz/kexif_fuzz_${target//-/_}"
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts" "tests/corpus/$target"
  echo "== fuzzing $target for ${seconds}s"
  # The first folder collects what the run finds; the others are read only.
  # A timeout on a machine shared with other builds may be the machine's:
  # it counts only when the input is slow again on its own.
  attempts=0
  until "$program" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=512 -malloc_limit_mb=256 \
      -max_len=65536 -dict=fuzz/kexif.dict -print_final_stats=1 -artifact_prefix="$artifacts/" \
      "$corpus" "$build/seeds/$target" "tests/corpus/$target" ${seed_dirs[@]+"${seed_dirs[@]}"} \
      2>"$build/fuzz-$target.log"; do
    timeout_input=$(ls -t "$artifacts"/timeout-* 2>/dev/null | head -n 1 || true)
    attempts=$((attempts + 1))
    if [ -n "$timeout_input" ] && [ $attempts -lt 3 ] && "$program" -timeout=1 "$timeout_input" >/dev/null 2>&1 \
        && "$program" -timeout=1 "$timeout_input" >/dev/null 2>&1; then
      echo "timeout of $timeout_input did not come back on its own; fuzzing on"
      rm -f "$timeout_input"
      continue
    fi
    tail -n 60 "$build/fuzz-$target.log"
    echo "fuzz target $target failed; input in $artifacts/"
    failed=$((failed + 1))
    break
  done
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|cov: ' "$build/fuzz-$target.log" | tail -n 3
done
exit $failed
