# Cross build for 32-bit Windows with Debian's MinGW-w64 (posix thread model). Programs are
# linked statically, so they need only system DLLs, and run under Wine as the emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KAVOXM_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KAVOXM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAVOXM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KAVOXM_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAVOXM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Large address aware: 4 GiB of address space on 64-bit Windows instead of 2, room for big songs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--large-address-aware")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Header-only CLI11 from the host's package, seen through a directory that holds nothing else,
# and GoogleTest built from its packaged sources with this toolchain.
set(CLI11_DIR ${CMAKE_CURRENT_LIST_DIR}/win32/CLI11 CACHE PATH "CLI11 for the cross build")
set(KAVOXM_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build")
