# What both mingw-w64 toolchains share; RDSTMC_TARGET_TRIPLE names the compiler.
# The posix thread model gives the tests std::thread; the library itself
# uses Win32 primitives only, and links its runtime statically either way.
set(CMAKE_C_COMPILER ${RDSTMC_TARGET_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RDSTMC_TARGET_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${RDSTMC_TARGET_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${RDSTMC_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
