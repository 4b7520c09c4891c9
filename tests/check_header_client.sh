#!/usr/bin/env bash
# Runs the C header client on a generated photo: under valgrind, where every
# leak, invalid access or uninitialised read fails the run; or directly in a
# sanitizer build, where the sanitizers do that job.
# Usage: tests/check_header_client.sh CLIENT MAKE_SAMPLE valgrind|direct
set -eu
client=$1
make_sample=$2
mode=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$make_sample" "$work/photo.jpg" >/dev/null
run=("$client" "$work/photo.jpg" "$work/out1.jpg" "$work/out2.jpg")
if [ "$mode" = valgrind ]; then
  valgrind --quiet --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=all \
    --show-leak-kinds=all "${run[@]}"
else
  "${run[@]}"
fi
