# Shared by the mingw-w64 toolchain files: KEXIF_MINGW_PREFIX names the
# compilers (i686-w64-mingw32, x86_64-w64-mingw32) and KEXIF_MINGW_SUFFIX
# picks a thread model ("" for the default, "-posix").
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${KEXIF_MINGW_PREFIX}-gcc${KEXIF_MINGW_SUFFIX})
set(CMAKE_CXX_COMPILER ${KEXIF_MINGW_PREFIX}-g++${KEXIF_MINGW_SUFFIX})
set(CMAKE_RC_COMPILER ${KEXIF_MINGW_PREFIX}-windres)

# Programs carry libgcc, libstdc++ and winpthread inside, so that they run
# from the build folder with the system DLLs alone.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_FIND_ROOT_PATH /usr/${KEXIF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
