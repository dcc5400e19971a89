# Runs the layer check on a small tree of its own with includes each rule must
# refuse or let pass:
#   cmake -DCHECK=cmake/CheckLayerIncludes.cmake -DWORK_DIR=<scratch folder> -P LayerIncludesTest.cmake
cmake_minimum_required(VERSION 3.22)

set(tree "${WORK_DIR}/layer-tree")
file(REMOVE_RECURSE "${tree}")

# file | its text | what the check must say about it ("" when it must say nothing)
set(cases
    "app/Standard.cpp|#include <cstdio>\n#include \"app/Standard.h\"\n#include \"DosewrightVersion.h\"|"
    "app/Standard.h|#include <string_view>|"
    "data/Contract.cpp|#include \"data/HostLibraries.h\"\n#include \"platform/FileSystem.h\"|"
    "app/System.cpp|#define JOINED OPEN 1 CLOSE BACKSLASH\n    + 2SEMICOLON\n#include <unistd.h>|app/System.cpp:3: #include <unistd.h>: an operating-system header"
    "repair/Folder.cpp|#  include <sys/stat.h>|repair/Folder.cpp:1: #  include <sys/stat.h>: an operating-system header"
    "data/Late.cpp|int count = 2SEMICOLON\nconst char* kOpen = \"OPEN\"SEMICOLON\n#include <sys/mman.h>|data/Late.cpp:3: #include <sys/mman.h>: an operating-system header"
    "deploy/Win.cpp|#include <Windows.h>|deploy/Win.cpp:1: #include <Windows.h>: an operating-system header"
    "resources/Window.cpp|#include <wx/dialog.h>|resources/Window.cpp:1: #include <wx/dialog.h>: a toolkit header"
    "data/Store.cpp|#include <sqlite3.h>|data/Store.cpp:1: #include <sqlite3.h>: SQLite"
    "data/Inside.cpp|#include \"host/storelink/Table.h\"|data/Inside.cpp:1: #include \"host/storelink/Table.h\": a host library's own header"
    "app/Backend.cpp|#include \"platform/wx/Dialog.h\"|app/Backend.cpp:1: #include \"platform/wx/Dialog.h\": a platform backend"
    "repair/Json.cpp|#include <nlohmann/json.hpp>|repair/Json.cpp:1: #include <nlohmann/json.hpp>: not a C++ standard header"
    "cli/Main.cpp|#include <CLI/CLI.hpp>\n#include \"platform/console/Window.h\"\n#include <fcntl.h>|cli/Main.cpp:3: #include <fcntl.h>: an operating-system header"
)
# The headers the quoted includes name, present as they are in the repository.
foreach(header data/HostLibraries.h platform/FileSystem.h platform/wx/Dialog.h
               platform/console/Window.h host/storelink/Table.h)
    file(WRITE "${tree}/${header}" "")
endforeach()
set(expected "")
foreach(case IN LISTS cases)
    string(REPLACE "|" ";" fields "${case}")
    list(GET fields 0 file)
    list(GET fields 1 text)
    list(LENGTH fields count)
    # Characters a CMake list cannot carry, written out in the table.
    string(REPLACE "\\n" "\n" text "${text}")
    string(REPLACE "SEMICOLON" ";" text "${text}")
    string(REPLACE "OPEN" "[" text "${text}")
    string(REPLACE "CLOSE" "]" text "${text}")
    string(REPLACE "BACKSLASH" "\\" text "${text}")
    file(WRITE "${tree}/${file}" "${text}\n")
    if(count GREATER 2)
        list(GET fields 2 message)
        list(APPEND expected "${message}")
    endif()
endforeach()

execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${tree} -P "${CHECK}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(result EQUAL 0)
    message(FATAL_ERROR "the check passed a tree with forbidden includes:\n${output}")
endif()
set(failures "")
foreach(message IN LISTS expected)
    string(FIND "${output}" "${message}" at)
    if(at EQUAL -1)
        string(APPEND failures "not reported: ${message}\n")
    endif()
endforeach()
string(REGEX MATCHALL "[a-z]+/[A-Za-z]+\\.(cpp|h):[0-9]+:" reported "${output}")
list(LENGTH reported reported_count)
list(LENGTH expected expected_count)
if(NOT reported_count EQUAL expected_count)
    string(APPEND failures "${reported_count} includes reported, ${expected_count} expected\n")
endif()
if(NOT failures STREQUAL "")
    message(FATAL_ERROR "${failures}check output:\n${output}")
endif()
