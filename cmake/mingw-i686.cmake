# Cross-builds kexif.dll for 32-bit Windows with Debian's mingw-w64
# (package g++-mingw-w64-i686). Use with a separate build folder:
#   cmake -S . -B build-windows --toolchain cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(KEXIF_MINGW_PREFIX i686-w64-mingw32)
set(KEXIF_MINGW_SUFFIX "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
