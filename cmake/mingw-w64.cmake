# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix,
# libz-mingw-w64-dev): cmake -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake. `make windows` does it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

# The posix-threads variant: the C++ library's threads, mutexes and the like need it.
set(FOLIOTURN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FOLIOTURN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FOLIOTURN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${FOLIOTURN_MINGW}-windres)

# Headers and libraries (zlib among them) come from the MinGW tree, programs from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${FOLIOTURN_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
