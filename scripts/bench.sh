#!/usr/bin/env bash
# Builds the benchmarks and runs them pinned to one CPU, each repeated with
# the repetitions interleaved, then prints every case's ratio to its floor.
# Usage: scripts/bench.sh [build-dir [benchmark flags...]]
#   REPETITIONS (default 5) and CPU (default 1) tune the run;
#   KEXIF_BENCH_DIR keeps the generated inputs in a folder of your choice.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh libbenchmark-dev
build=${1:-build-bench}
shift || true
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEXIF_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target kexif_bench kexif
pin=()
if command -v taskset >/dev/null && [ "$(nproc)" -gt "${CPU:-1}" ]; then
  pin=(taskset -c "${CPU:-1}")
fi
exec "${pin[@]}" "$build/bench/kexif_bench" \
  --benchmark_repetitions="${REPETITIONS:-5}" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=true \
  "$@"
