#!/usr/bin/env bash
# Cross-builds the library, the kexif tool and the unit tests that run under
# Windows for 64-bit Windows with mingw-w64 (GoogleTest from Debian's
# sources), and runs them under wine64 in a throw-away wine prefix; then
# edits a generated photo in place with the tool.
# Usage: scripts/test-windows.sh [build-dir]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-x86-64-posix googletest wine64
build=${1:-build-win64}
tests="kexif_windows_tests kexif_stream_tests kexif_model_tests"
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target kexif kexif_cli kexif_make_sample $tests

# Every program runs from its build folder: only system DLLs are imported.
for exe in "$build"/kexif.dll "$build"/tools/kexif.exe "$build"/tests/*.exe; do
  if x86_64-w64-mingw32-objdump -p "$exe" | grep -iE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
    echo "$exe needs a mingw runtime DLL" >&2
    exit 1
  fi
done

WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
run() { timeout 900 wine "$@"; }

for t in $tests; do
  echo "== $t under wine64"
  run "$build/tests/$t.exe" --gtest_brief=1
done

echo "== kexif tool: in-place edits under wine64"
work="$build/tool-check"
rm -rf "$work" && mkdir -p "$work"
run "$build/tests/kexif_make_sample.exe" "$work/photo.jpg"
run "$build/tools/kexif.exe" set "$work/photo.jpg" ImageDescription Harbour
run "$build/tools/kexif.exe" get "$work/photo.jpg" ImageDescription | grep -q Harbour
run "$build/tools/kexif.exe" thumbnail "$work/photo.jpg" -o "$work/thumb.jpg"
run "$build/tools/kexif.exe" thumbnail "$work/photo.jpg" --set "$work/thumb.jpg"
run "$build/tools/kexif.exe" rm "$work/photo.jpg" ImageDescription
if run "$build/tools/kexif.exe" get "$work/photo.jpg" ImageDescription >/dev/null 2>&1; then
  echo "ImageDescription still there after an in-place rm" >&2
  exit 1
fi
if ls "$work" | grep -F '.$#$'; then
  echo "a temporary file was left" >&2
  exit 1
fi
echo "== Windows tests passed"
