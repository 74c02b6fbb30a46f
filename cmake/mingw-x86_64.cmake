# Cross-compiling for 64-bit Windows with the mingw-w64 (posix threads) compilers.
# TARNWICK_WIN_SYSROOT (set by tools/windows.sh) holds GoogleTest and links to the
# header-only libraries' headers and config files.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TARNWICK_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
