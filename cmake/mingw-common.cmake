# Shared part of the mingw-w64 toolchain files.
set(CMAKE_C_COMPILER ${TARNWICK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARNWICK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TARNWICK_MINGW_TRIPLE}-windres)

# Look for libraries and packages only in the mingw root and the sysroot, never in
# /usr, whose Linux C headers would shadow mingw's own.
set(TARNWICK_WIN_SYSROOT "" CACHE PATH "Sysroot with GoogleTest and header-only libraries")
set(CMAKE_FIND_ROOT_PATH /usr/${TARNWICK_MINGW_TRIPLE} ${TARNWICK_WIN_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Programs and libraries carry libgcc, libstdc++ and winpthread inside them, so they
# run without any DLL of the compiler beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
