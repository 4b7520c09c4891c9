#!/usr/bin/env bash
# Installs kexif into a temporary prefix, then builds and runs the two
# examples of examples/install against the installed package: a C program
# through pkg-config and a C++ program through find_package(kexif).
# Usage: scripts/check-install.sh [build-dir]
set -eu
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh pkg-config
build=${1:-build}
cmake -S . -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target kexif kexif_make_sample >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "check-install: $*" >&2; exit 1; }

# The library carries its ABI version in its SONAME and is reachable under
# the plain development name.
lib=$(find "$prefix" -name 'libkexif.so' | head -n 1)
[ -n "$lib" ] || fail "libkexif.so not installed"
soname=$(objdump -p "$lib" | awk '$1 == "SONAME" {print $2}')
[[ $soname =~ ^libkexif\.so\.[0-9]+$ ]] || fail "unexpected SONAME '$soname'"
[ -e "$(dirname "$lib")/$soname" ] || fail "$soname not installed"
[ -f "$prefix/include/kexif.h" ] || fail "kexif.h not installed"

export PKG_CONFIG_PATH=$(dirname "$(find "$prefix" -name kexif.pc | head -n 1)")
echo "installed kexif $(pkg-config --modversion kexif) ($soname) into a temporary prefix"

if ! nm -D --defined-only "$lib" | grep -qw kRExifBeginRead; then
  echo "the read-only family is not in the library yet: examples skipped"
  exit 0
fi

photo=$work/photo.jpg
"$build/tests/kexif_make_sample" "$photo"

echo "== C example through pkg-config"
libdir=$(pkg-config --variable=libdir kexif)
# shellcheck disable=SC2046
${CC:-cc} -std=c11 -Wall -Wextra -Werror -o "$work/camera" "$root/examples/install/c/camera.c" \
  $(pkg-config --cflags --libs kexif) -Wl,-rpath,"$libdir"
out=$("$work/camera" "$photo")
echo "$out"
grep -qx "make: KexifCam" <<<"$out" || fail "C example did not read the maker"

echo "== C++ example through find_package(kexif)"
cmake -S "$root/examples/install/cpp" -B "$work/cpp" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-Wall -Wextra -Werror" >/dev/null
cmake --build "$work/cpp" >/dev/null
out=$("$work/cpp/camera_model" "$photo")
echo "$out"
grep -qx "model: Model One" <<<"$out" || fail "C++ example did not read the model"
echo "install check passed"
