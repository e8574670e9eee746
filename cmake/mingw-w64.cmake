# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-building for 64-bit Windows with Debian's mingw-w64 compilers; the
# test programs run under wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(DSPPROG_MINGW_TRIPLE x86_64-w64-mingw32)
# The -posix compilers: the win32 thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${DSPPROG_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${DSPPROG_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${DSPPROG_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${DSPPROG_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not hand the host's libraries to the Windows build.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${DSPPROG_MINGW_TRIPLE}/lib/pkgconfig)

# Self-contained programs: no mingw runtime DLLs to carry around or to find
# under wine. SetupAPI comes with the targets that use it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libstdc++ -static-libgcc")

if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
endif()
