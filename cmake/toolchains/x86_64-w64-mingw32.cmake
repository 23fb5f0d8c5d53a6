# 64-bit Windows with Debian's mingw-w64 cross compilers
# (g++-mingw-w64-x86-64). Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(RDSTMC_TARGET_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
