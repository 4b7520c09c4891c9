#!/usr/bin/env bash
# Builds the library and runs the example on a sample photo made by the
# project itself. Usage: scripts/demo.sh
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kexif kexif_example kexif_make_sample >/dev/null
mkdir -p build/sample
build/tests/kexif_make_sample build/sample/photo.jpg
build/kexif_example build/sample/photo.jpg
