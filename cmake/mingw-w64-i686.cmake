# Cross-build for 32-bit Windows: the build users get. Where the machine runs 32-bit code, the
# test command runs its tests under 32-bit Wine, in 64-bit and 32-bit prefixes.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZV_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
