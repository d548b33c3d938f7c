# Cross-build for 64-bit Windows: the build the test bench runs under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ZV_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# ctest runs the Windows test programs through Wine, in the build directory's own prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
