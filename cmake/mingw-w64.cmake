# Cross-compiling for 64-bit Windows with Debian's mingw-w64 (posix threads,
# needed for std::thread). Used by scripts/windows-build.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUG_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${LUG_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LUG_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${LUG_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUG_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained exe: the C and C++ runtimes and winpthreads linked in,
# symbols stripped.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++ -s")

# The MariaDB client library and googletest cross-built by
# scripts/windows-build.sh.
set(LUG_WIN_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../build-win/third-party/prefix")
get_filename_component(LUG_WIN_PREFIX "${LUG_WIN_PREFIX}" ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${LUG_WIN_PREFIX}")
