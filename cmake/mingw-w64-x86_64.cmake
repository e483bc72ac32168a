# The same program built for 64-bit Windows. It is what the Wine smoke test runs on machines
# whose kernel cannot execute 32-bit code (and so cannot run 32-bit Wine).
set(MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
