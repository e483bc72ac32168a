# Shared part of the MinGW-w64 cross toolchains (Debian packages g++-mingw-w64-*-posix); the
# including file sets MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR. The runtime is linked
# statically, so the executable needs no MinGW DLLs: it imports only the system's own KERNEL32,
# USER32, WINMM and msvcrt.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
