# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (posix threads).
# THIRD_PARTY_PREFIX (from the environment) is where the Windows builds of
# PCRE2 and GoogleTest were installed by scripts/build-windows.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_AR ${triple}-ar)
set(CMAKE_RANLIB ${triple}-ranlib)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
if(DEFINED ENV{THIRD_PARTY_PREFIX})
  list(APPEND CMAKE_FIND_ROOT_PATH $ENV{THIRD_PARTY_PREFIX})
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
