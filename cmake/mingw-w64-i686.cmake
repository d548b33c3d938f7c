# Cross-build for 32-bit Windows: the build users get. Nothing here can run it (no 32-bit
# support in the kernel, so no 32-bit Wine either): it is checked statically, not tested.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZV_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
