# Cross build for 64-bit Windows with Debian's MinGW-w64 toolchain (g++-mingw-w64-x86-64-posix).
# Tests and other built programs run under Wine (wine64). See scripts/windows-build.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(VANTOR_MINGW_TRIPLE x86_64-w64-mingw32)
# The "posix" variants have std::thread and std::mutex; the "win32" ones do not.
set(CMAKE_C_COMPILER ${VANTOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VANTOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VANTOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VANTOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: the C and C++ runtimes and winpthreads are linked in, so the program
# needs no DLL besides those every Windows has.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Only the parts of <windows.h> the code uses, and no min and max macros.
set(CMAKE_CXX_FLAGS_INIT "-DWIN32_LEAN_AND_MEAN -DNOMINMAX")

# Built programs (tests, the example packer) run under Wine, each build folder with a Wine
# prefix of its own (<build>/wineprefix, made on first use).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;${CMAKE_BINARY_DIR}/wineprefix")

# GoogleTest for the target, built from Debian's sources (package googletest), no download.
set(GTest_DIR "${CMAKE_CURRENT_LIST_DIR}/windows-gtest" CACHE PATH "GoogleTest built from source for the target")
