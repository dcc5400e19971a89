# Cross-builds the 32-bit Windows programs with Debian's MinGW-w64 (posix
# threads); tests run under the 32-bit Wine. A 32-bit program is what loads
# 32-bit host libraries.
set(DOSEWRIGHT_MINGW_ARCH i686)
set(DOSEWRIGHT_WINE /usr/lib/wine/wine)
# 32-bit GCC unwinds exceptions with DWARF tables that each copy of libgcc
# registers for itself, so an exception thrown in one DLL and caught in another
# module needs the one shared libgcc (which brings winpthread); libstdc++ stays static.
set(DOSEWRIGHT_MINGW_RUNTIME_FLAGS "-shared-libgcc -static-libstdc++")
execute_process(COMMAND i686-w64-mingw32-g++-posix -print-file-name=libgcc_s_dw2-1.dll
                OUTPUT_VARIABLE _libgcc_dll OUTPUT_STRIP_TRAILING_WHITESPACE)
set(DOSEWRIGHT_MINGW_RUNTIME_DLLS ${_libgcc_dll} /usr/i686-w64-mingw32/lib/libwinpthread-1.dll)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
