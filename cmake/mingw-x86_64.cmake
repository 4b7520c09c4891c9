# Cross-builds kexif for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64), with the POSIX thread model that std::thread
# needs. Use with a separate build folder:
#   cmake -S . -B build-win64 --toolchain cmake/mingw-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEXIF_MINGW_PREFIX x86_64-w64-mingw32)
set(KEXIF_MINGW_SUFFIX -posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
