# Cross-building the Windows x86-64 program with Debian's MinGW-w64 (POSIX threads, so that
# std::thread exists). The C and C++ runtimes are linked statically: rufkartei.exe runs alone
# from any folder. The programs built here run under Wine through scripts/lib/wine-run, which is
# what CTest and gtest_discover_tests call to start them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Each build folder has its own Wine prefix, made on the first run.
get_filename_component(RUFKARTEI_WINE_RUN "${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/wine-run" ABSOLUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR "${RUFKARTEI_WINE_RUN}")
