# What both Windows cross builds share (cmake/mingw-w64-i686.cmake, cmake/mingw-w64-x86_64.cmake
# set CMAKE_SYSTEM_PROCESSOR and NORVIK_MINGW_TRIPLE, then include this).
#
# The -posix thread model: GCC 12's std::thread, std::jthread and std::stop_token need it (the
# -win32 compilers leave them out).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${NORVIK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NORVIK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${NORVIK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the mingw sysroot only; the host's /usr/include never joins the
# include path (header-only CLI11 is staged separately, see CMakeLists.txt).
set(CMAKE_FIND_ROOT_PATH /usr/${NORVIK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The runtime linked in, so that the .exe runs without the mingw DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
