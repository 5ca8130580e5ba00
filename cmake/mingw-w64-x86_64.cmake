# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 (package g++-mingw-w64-x86-64-posix)
# and runs the programs under Wine. The posix variant is the one with std::thread and std::mutex,
# which GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_prefix x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_prefix}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_prefix}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_prefix}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingw_prefix})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and winpthread linked in, so an .exe runs without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest starts every test program through this.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
