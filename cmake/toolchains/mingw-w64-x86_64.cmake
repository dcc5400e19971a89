# Cross-builds the 64-bit Windows programs with Debian's MinGW-w64 (posix
# threads); tests run under the 64-bit Wine.
set(DOSEWRIGHT_MINGW_ARCH x86_64)
set(DOSEWRIGHT_WINE /usr/lib/wine/wine64)
# The whole runtime (libgcc, libstdc++, winpthread) goes into each program and
# library: exceptions unwind through the system's tables, across DLLs alike, and
# no runtime DLL needs to travel with the programs.
set(DOSEWRIGHT_MINGW_RUNTIME_FLAGS
    "-static-libgcc -static-libstdc++ -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive,-Bdynamic")
set(DOSEWRIGHT_MINGW_RUNTIME_DLLS "")
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
