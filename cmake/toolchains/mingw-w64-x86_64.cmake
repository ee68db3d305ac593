# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix threads
# variant, for std::thread and std::mutex), the tests run under Wine:
#   cmake -S . -B build-win -G Ninja -DAULIRA_GUI=OFF \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
# scripts/test-windows.sh configures, builds and tests with it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(AULIRA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${AULIRA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${AULIRA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${AULIRA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${AULIRA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime linked in, so the programs run without MinGW's DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows programs run under Wine: ctest, gtest_discover_tests and anything
# else that runs a built program goes through it.
find_program(AULIRA_WINE NAMES wine64 wine)
if(AULIRA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${AULIRA_WINE})
endif()

# GoogleTest is built from Debian's source package for the target.
set(AULIRA_GTEST_SOURCE /usr/src/googletest CACHE PATH "")
