# Runs the Windows portability check on a small tree of its own with uses each
# rule must refuse or let pass:
#   cmake -DCHECK=cmake/CheckWindowsPortable.cmake -DWORK_DIR=<scratch folder> -P WindowsPortableTest.cmake
cmake_minimum_required(VERSION 3.22)
include(${CMAKE_CURRENT_LIST_DIR}/SourceCheckCases.cmake)

set(tree "${WORK_DIR}/portable-tree")
file(REMOVE_RECURSE "${tree}")

# The build's lists: POSIX files in the else() of if(WIN32), also past a nested
# if(); the wx folder only where the Windows window is not built.
set(platform_lists [=[
if(WIN32)
    target_sources(core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32/File.cpp)
else()
    if(SANITIZE)
        target_sources(core PRIVATE Checked.cpp)
    endif()
    target_sources(core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/File.cpp)
endif()
if(GUI AND WIN32)
    add_subdirectory(win32ui)
elseif(GUI)
    add_subdirectory(wx)
else()
    target_sources(core PRIVATE NoWindow.cpp)
endif()
]=])
file(WRITE "${tree}/platform/CMakeLists.txt" "${platform_lists}")

# file | its text | what the check must say about it ("" when it must say nothing)
set(cases
    "host/Crt.cpp|#include <sys/stat.h>\n#include <fcntl.h>\n#include <io.h>\n#include <sys/types.h>|"
    "host/Posix.cpp|#include <cstdio>\n#include <unistd.h>|host/Posix.cpp:2: #include <unistd.h>: a POSIX-only header"
    "tools/Lock.cpp|#  include <sys/file.h>|tools/Lock.cpp:1: #  include <sys/file.h>: a POSIX-only header"
    "host/Guarded.cpp|#if defined(_WIN32)\n#include <io.h>\n#else\n#include <unistd.h>\nS_ISREG\n#endif|"
    "host/Absent.cpp|#ifndef _WIN32\n#include <dirent.h>\n#endif\n#if !defined(_WIN32) // a comment\nPATH_MAX\n#endif|"
    "host/Decided.cpp|#ifdef _WIN32\n#elif defined(__APPLE__)\n#else\n#  if defined(FOO)\nssize_t n\n#  endif\n#endif|"
    "host/Either.cpp|#if defined(_WIN32) && defined(FOO)\n#else\n#include <pthread.h>\n#endif|host/Either.cpp:3: #include <pthread.h>: a POSIX-only header"
    "host/Alternative.cpp|#if !defined(_WIN32) OROR defined(FOO)\n#include <dlfcn.h>\n#endif|host/Alternative.cpp:2: #include <dlfcn.h>: a POSIX-only header"
    "host/Closed.cpp|#if !defined(_WIN32)\n#endif\nreturn S_ISDIR(mode)SEMICOLON|host/Closed.cpp:3: return S_ISDIR(mode): S_ISDIR"
    "host/Names.cpp|// PATH_MAX in a comment\n/* S_ISREG\n   pid_t */ int MY_PATH_MAX_SIZE = 0SEMICOLON\nchar folder OPEN PATH_MAX CLOSESEMICOLON|host/Names.cpp:4: char folder   PATH_MAX: PATH_MAX"
    "platform/File.cpp|#include <unistd.h>\n#include \"platform/Read.h\"\n#include \"Shared.h\"|"
    "platform/Checked.cpp|#include <sys/mman.h>|"
    "platform/Read.h|#include <unistd.h>|"
    "platform/Shared.h|#include <sys/wait.h>|platform/Shared.h:1: #include <sys/wait.h>: a POSIX-only header"
    "app/Use.cpp|#include \"platform/Shared.h\"|"
    "platform/wx/Window.cpp|#include <poll.h>|"
    "platform/NoWindow.cpp|#include <termios.h>|platform/NoWindow.cpp:1: #include <termios.h>: a POSIX-only header"
    "platform/win32/File.cpp|#include <windows.h>\n#include <unistd.h>|platform/win32/File.cpp:2: #include <unistd.h>: a POSIX-only header"
    "platform/win32ui/Ui.cpp|mode_t mask|platform/win32ui/Ui.cpp:1: mode_t mask: mode_t"
)
source_check_write_cases("${tree}" cases expected)
source_check_expect("${CHECK}" "${tree}" expected uses)
# The same, named from its parent folder.
source_check_expect("${CHECK}" "portable-tree" expected uses "${WORK_DIR}")
