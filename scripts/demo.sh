#!/usr/bin/env bash
# Builds the library and the kexif tool, makes a sample photo and shows what
# the tool finds in it. Usage: scripts/demo.sh
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja >/dev/null
cmake --build build --target kexif kexif_cli kexif_make_sample >/dev/null
mkdir -p build/sample
photo=build/sample/photo.jpg
build/tests/kexif_make_sample "$photo"
echo "\$ kexif info $photo"
build/tools/kexif info "$photo"
echo
echo "\$ kexif tags $photo"
build/tools/kexif tags "$photo"
echo
echo "\$ kexif set $photo ImageDescription \"Harbour at dawn\""
build/tools/kexif set "$photo" ImageDescription "Harbour at dawn"
echo "\$ kexif get $photo ImageDescription"
build/tools/kexif get "$photo" ImageDescription
