# Cross build for 64-bit Windows with Debian's MinGW-w64 (the POSIX threads
# flavour, for std::thread and std::mutex), the programs and tests run under
# Wine:
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/windows-mingw-w64.cmake -DKORVANE_BUILD_UI=OFF \
#     -DKORVANE_GTEST_SOURCE=/usr/src/googletest -DKORVANE_PUGIXML_SOURCE=<pugixml>/src
# (`make windows-test` does this and runs every test.)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C and C++ run-time libraries linked in, so that a program runs without
# MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests (gtest_discover_tests, ctest, the command-line scripts) run the
# programs through Wine.
find_program(KORVANE_WINE NAMES wine wine64 NO_CMAKE_FIND_ROOT_PATH)
if(KORVANE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KORVANE_WINE})
endif()
# The tests are listed when they run, not at build time (Wine's prefix may not
# be ready then).
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
