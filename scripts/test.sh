#!/usr/bin/env bash
# Builds everything and runs every test. Usage: scripts/test.sh [build-dir [cmake-args...]]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
build=${1:-build}
shift || true
cmake -S . -B "$build" -G Ninja "$@" >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
