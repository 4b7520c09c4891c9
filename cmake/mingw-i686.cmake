# Cross-builds kexif.dll for 32-bit Windows with Debian's mingw-w64
# (package g++-mingw-w64-i686). Use with a separate build folder:
#   cmake -S . -B build-windows --toolchain cmake/mingw-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(KEXIF_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KEXIF_MINGW_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${KEXIF_MINGW_PREFIX}-g++)
set(CMAKE_RC_COMPILER ${KEXIF_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KEXIF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
