# 32-bit ARM Linux (hard float) with Debian's cross compilers
# (g++-arm-linux-gnueabihf). Every test runs under qemu-user (qemu-user),
# with the target's libraries from Debian's cross tree.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(RDSTMC_TARGET_TRIPLE arm-linux-gnueabihf)
set(CMAKE_C_COMPILER ${RDSTMC_TARGET_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${RDSTMC_TARGET_TRIPLE}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${RDSTMC_TARGET_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/${RDSTMC_TARGET_TRIPLE})
