# Runs the layer check on a small tree of its own (with an allow-list of its
# own) with includes each rule must refuse or let pass:
#   cmake -DCHECK=cmake/CheckLayerIncludes.cmake -DWORK_DIR=<scratch folder> -P LayerIncludesTest.cmake
cmake_minimum_required(VERSION 3.22)
include(${CMAKE_CURRENT_LIST_DIR}/SourceCheckCases.cmake)

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
    "app/Dialog.cpp|#include \"app/Dialog.h\"\n#include \"repair/Run.h\"\n#include \"data/Record.h\"|"
    "repair/Run.cpp|#include \"app/Dialog.h\"|repair/Run.cpp:1: #include \"app/Dialog.h\": repair/ is below app/"
    "resources/Icons.cpp|#include \"../app/Dialog.h\"|resources/Icons.cpp:1: #include \"../app/Dialog.h\": resources/ is below app/"
    "gui/Window.cpp|#include <wx/frame.h>\n#include \"app/Dialog.h\"\n#include \"cli/Options.h\"|gui/Window.cpp:3: #include \"cli/Options.h\": gui/ and cli/ are peers"
    "cli/Options.cpp|#include \"gui/Window.h\"|cli/Options.cpp:1: #include \"gui/Window.h\": cli/ and gui/ are peers"
    "data/Old.cpp|#include \"app/Dialog.h\"|"
    "deploy/Gone.cpp|#include \"deploy/Gone.h\"|"
    "cmake/LayerAllowList.txt|# only shrinks\n\ndata/Old.cpp app/Dialog.h\ndeploy/Gone.cpp  app/Dialog.h|cmake/LayerAllowList.txt:4: allow-list entry deploy/Gone.cpp app/Dialog.h no longer needed: remove it"
)
# The headers the quoted includes name, present as they are in the repository.
foreach(header data/HostLibraries.h platform/FileSystem.h platform/wx/Dialog.h
               platform/console/Window.h host/storelink/Table.h app/Dialog.h repair/Run.h
               data/Record.h cli/Options.h gui/Window.h deploy/Gone.h)
    file(WRITE "${tree}/${header}" "")
endforeach()
source_check_write_cases("${tree}" cases expected)
source_check_expect("${CHECK}" "${tree}" expected includes)
# The same, named from its parent folder.
source_check_expect("${CHECK}" "layer-tree" expected includes "${WORK_DIR}")
