# What both MinGW-w64 toolchain files share; each sets DOSEWRIGHT_MINGW_ARCH
# (x86_64 or i686) and DOSEWRIGHT_WINE (the Wine that runs that width) first.
#
# Headers and libraries come from the compilers' own sysroot and from the
# Windows prefix that scripts/windows-prefix prepares, never from the build
# machine's /usr/include; pkg-config looks only into that prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${DOSEWRIGHT_MINGW_ARCH})

set(_triplet ${DOSEWRIGHT_MINGW_ARCH}-w64-mingw32)
# The -posix compilers: the win32 thread model has no std::thread or std::mutex.
set(CMAKE_C_COMPILER ${_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${_triplet}-windres)

if(DEFINED ENV{DOSEWRIGHT_WINDOWS_PREFIX_ROOT})
    set(DOSEWRIGHT_WINDOWS_PREFIX $ENV{DOSEWRIGHT_WINDOWS_PREFIX_ROOT}/${_triplet})
else()
    get_filename_component(DOSEWRIGHT_WINDOWS_PREFIX
                           ${CMAKE_CURRENT_LIST_DIR}/../../.cache/windows/${_triplet} ABSOLUTE)
endif()

set(CMAKE_FIND_ROOT_PATH /usr/${_triplet} ${DOSEWRIGHT_WINDOWS_PREFIX})
set(CMAKE_PREFIX_PATH ${DOSEWRIGHT_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} ${DOSEWRIGHT_WINDOWS_PREFIX}/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")

# The Windows programs are built as Release, without debugging information (no
# Windows debugger reads MinGW's, and the packed programs are a quarter the
# size), and optimised as the Linux builds are: -O2, not CMake's -O3.
set(CMAKE_C_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a Release build")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -DNDEBUG" CACHE STRING "Flags of a Release build")

# How the MinGW runtime is linked: each toolchain file sets
# DOSEWRIGHT_MINGW_RUNTIME_FLAGS, and DOSEWRIGHT_MINGW_RUNTIME_DLLS for the
# runtime DLLs its programs then import (copied beside them, and packed).
set(CMAKE_EXE_LINKER_FLAGS_INIT "${DOSEWRIGHT_MINGW_RUNTIME_FLAGS}")
# A library that exports all its symbols exports none of the runtime's.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${CMAKE_EXE_LINKER_FLAGS_INIT} -Wl,--exclude-libs,ALL")

# Test programs and discovery run under Wine, with a prefix of their own inside
# the build folder and without Wine's diagnostics or its offers to install Mono
# and Gecko.
set(CMAKE_CROSSCOMPILING_EMULATOR
    env WINEPREFIX=${CMAKE_BINARY_DIR}/wine WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
        ${DOSEWRIGHT_WINE})
