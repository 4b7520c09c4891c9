#!/usr/bin/env bash
# Cross-builds kexif.dll for 32-bit Windows with mingw-w64 and checks its
# export table. When wine can run 32-bit programs here, the example is run
# on a sample photo too. Usage: scripts/build-windows.sh [build-dir]
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++-mingw-w64-i686
build=${1:-build-windows}
cmake -S . -B "$build" -G Ninja --toolchain cmake/mingw-i686.cmake \
  -DCMAKE_BUILD_TYPE=Release -DKEXIF_BUILD_TESTS=OFF >/dev/null
# The DLL and the example only: the tool is built and run for 64-bit Windows
# by scripts/test-windows.sh (its compiler has the threads the tool uses).
targets=kexif
if [ -d reader ]; then targets="$targets kexif_example"; fi
# shellcheck disable=SC2086
cmake --build "$build" --target $targets
scripts/check-dll-exports.sh "$build/kexif.dll" tests/exported_symbols.txt

# The example, when it exists, under wine when wine can run 32-bit programs
# (wine is not installed by this script). That needs Debian's wine32 and a
# kernel that executes 32-bit programs; where either is missing the example
# is not run (its 64-bit build runs in scripts/test-windows.sh).
wine32_runs() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}
if [ -f "$build/kexif_example.exe" ] && command -v wine >/dev/null 2>&1 && ! wine32_runs; then
  echo "== example not run: wine here cannot run 32-bit programs"
elif [ -f "$build/kexif_example.exe" ] && command -v wine >/dev/null 2>&1; then
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build --target kexif_make_sample >/dev/null
  mkdir -p "$build/sample"
  build/tests/kexif_make_sample "$build/sample/photo.jpg"
  echo "== example under wine"
  # A wine without its 32-bit part cannot start the program at all; that is
  # a property of this machine, not a fault of the DLL, so it is reported
  # and skipped. Any other failure of the example fails the script.
  status=0
  output=$(cd "$build" && WINEDEBUG=-all wine kexif_example.exe sample/photo.jpg 2>&1) || status=$?
  printf '%s\n' "$output"
  if [ "$status" -ne 0 ]; then
    if printf '%s' "$output" | grep -qiE 'wine32|Bad EXE format|could not load|not a valid|ELFCLASS|multiarch|c0000135|exec format'; then
      echo "wine here cannot run 32-bit programs (install wine32); the example was not run"
    else
      exit "$status"
    fi
  fi
fi
