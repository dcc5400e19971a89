# Holds the layering of the sources by their #include lines:
#
#   cmake -DSOURCE_DIR=<repository> [-DALLOW_LIST=<file>] -P CheckLayerIncludes.cmake
#
# The utility's core (app/ data/ repair/ deploy/ resources/) includes the C++
# standard library, its own headers, the host contract data/HostLibraries.h and
# the interfaces directly in platform/; nothing else: no toolkit, no SQLite, no
# operating-system header, nothing under host/. The command-line program (cli/)
# reaches the operating system only through platform/ as well.
#
# The folders are ranked, lowest first: resources/, data/, repair/, deploy/,
# app/, then cli/ and gui/ side by side. A file includes the headers of its own
# folder and of lower ones, never those of a higher one, and cli/ and gui/
# never include each other. gui/ is held to the ranking only: it is the
# toolkit's side. The includes that break the ranking today are listed in the
# allow-list (cmake/LayerAllowList.txt of the tree unless ALLOW_LIST names
# another file); an entry whose include is gone fails the check as well, so
# that the list only shrinks.
#
# Every include that breaks a rule is named with its file and line; the script
# fails when there is one.

cmake_minimum_required(VERSION 3.22)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayerIncludes.cmake needs -DSOURCE_DIR=...")
endif()
# A relative folder is taken from the current one (file(GLOB) and EXISTS would
# otherwise find nothing in it, and the check would pass a tree it never read).
get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "CheckLayerIncludes.cmake: ${SOURCE_DIR} is no folder")
endif()

set(core_layers app data repair deploy resources)
# The folders by rank, lowest first; folders of one rank are joined by "+" and
# never include each other.
set(ranked_folders resources data repair deploy app cli+gui)
if(NOT ALLOW_LIST)
    set(ALLOW_LIST "${SOURCE_DIR}/cmake/LayerAllowList.txt")
endif()
# Headers the build writes into its own tree for the core (the version; the
# host's exports, from host/exports/*.def).
set(generated_headers DosewrightVersion.h HostExportTable.inc)

# Why a header that is not the standard library's is kept out; empty when it
# is none of the known kinds.
function(foreign_header_kind header out)
    string(TOLOWER "${header}" name)
    set(kind "")
    if(name MATCHES "^wx/")
        set(kind "a toolkit header")
    elseif(name MATCHES "^sqlite3")
        set(kind "SQLite")
    elseif(name MATCHES "^(sys|linux|asm|bits|netinet|arpa|net)/"
           OR name MATCHES "^(unistd|fcntl|dlfcn|pthread|signal|termios|dirent|poll|pwd|grp|libgen|glob|spawn|syslog|windows|winbase|windef|winuser|winsock|winsock2|ws2tcpip|io|direct|process|share|conio|shlobj|shlwapi|shellapi|commctrl|tchar)\\.h$")
        set(kind "an operating-system header")
    elseif(name MATCHES "^(\\.\\./)*host/")
        set(kind "a host library's own header")
    endif()
    set(${out} "${kind}" PARENT_SCOPE)
endfunction()

# The repository-relative path a quoted include names, as the compiler finds
# it (the including file's folder first, then the repository root); empty when
# it is in neither.
function(resolve_quoted header including_dir out)
    set(found "")
    foreach(base "${SOURCE_DIR}/${including_dir}" "${SOURCE_DIR}")
        if(found STREQUAL "" AND EXISTS "${base}/${header}")
            file(REAL_PATH "${base}/${header}" absolute)
            file(REAL_PATH "${SOURCE_DIR}" root)
            file(RELATIVE_PATH found "${root}" "${absolute}")
        endif()
    endforeach()
    set(${out} "${found}" PARENT_SCOPE)
endfunction()

# The reason an include in a file of `layer` breaks the layering; empty when it
# does not.
function(include_violation layer file bracket header out)
    foreign_header_kind("${header}" kind)
    set(reason "")
    if(layer STREQUAL "cli")
        if(kind STREQUAL "" AND bracket STREQUAL "\"")
            get_filename_component(including_dir "${file}" DIRECTORY)
            resolve_quoted("${header}" "${including_dir}" path)
            if(path MATCHES "^host/")
                set(kind "a host library's own header")
            endif()
        endif()
        if(NOT kind STREQUAL "")
            set(reason "${kind}; cli/ reaches the system and the host only through platform/")
        endif()
    elseif(bracket STREQUAL "<")
        if(NOT kind STREQUAL "")
            set(reason "${kind}; the core sees the window and the system only through platform/")
        elseif(NOT header MATCHES "^[a-z_0-9]+$")
            set(reason "not a C++ standard header; the core uses nothing else from outside")
        endif()
    elseif(NOT header IN_LIST generated_headers)
        get_filename_component(including_dir "${file}" DIRECTORY)
        resolve_quoted("${header}" "${including_dir}" path)
        if(NOT kind STREQUAL "")
            set(reason "${kind}; the core sees the host only through data/HostLibraries.h")
        elseif(path STREQUAL "")
            set(reason "not in the core's folders")
        elseif(path MATCHES "^host/")
            set(reason "a host library's own header; the core sees the host only through data/HostLibraries.h")
        elseif(path MATCHES "^platform/")
            if(NOT path MATCHES "^platform/[^/]+\\.h$")
                set(reason "a platform backend; the core sees platform/ only through its interfaces")
            endif()
        else()
            string(REPLACE ";" "|" layers "${core_layers}")
            if(NOT path MATCHES "^(${layers})/")
                set(reason "${path} is outside the core's folders")
            endif()
        endif()
    endif()
    set(${out} "${reason}" PARENT_SCOPE)
endfunction()

# The rank of the folder a repository path is in (its place in
# ranked_folders); -1 for a folder that has none (platform/, host/, ...).
function(folder_rank path out)
    set(rank -1)
    string(REGEX MATCH "^[^/]+" top "${path}")
    set(index 0)
    foreach(tier IN LISTS ranked_folders)
        string(REPLACE "+" ";" members "${tier}")
        if(path MATCHES "/" AND top IN_LIST members)
            set(rank ${index})
        endif()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} ${rank} PARENT_SCOPE)
endfunction()

# The reason an include by `file` of the header at repository path `path`
# breaks the ranking of the folders; empty when it does not.
function(rank_violation file path out)
    set(reason "")
    string(REGEX MATCH "^[^/]+" from "${file}")
    string(REGEX MATCH "^[^/]+" to "${path}")
    folder_rank("${file}" from_rank)
    folder_rank("${path}" to_rank)
    if(from_rank GREATER_EQUAL 0 AND to_rank GREATER_EQUAL 0 AND NOT from STREQUAL to)
        if(from_rank LESS to_rank)
            set(reason "${from}/ is below ${to}/; a lower folder never includes a higher one")
        elseif(from_rank EQUAL to_rank)
            set(reason "${from}/ and ${to}/ are peers; neither includes the other")
        endif()
    endif()
    set(${out} "${reason}" PARENT_SCOPE)
endfunction()

# A file as one list element a line, line numbers kept: the characters that
# would split or join list elements are masked first.
function(read_lines path out)
    file(READ "${path}" text)
    string(REGEX REPLACE "[][;\\]" "_" text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(${out} "${lines}" PARENT_SCOPE)
endfunction()

set(violations 0)

# The allow-list: "<file> <included header>" a line, both repository paths;
# blank lines and lines starting with # say nothing. allowed_<n> is entry n,
# allowed_line_<n> its line, allowed_used_<n> set once an include needed it.
set(allowed_count 0)
get_filename_component(ALLOW_LIST "${ALLOW_LIST}" ABSOLUTE)
file(RELATIVE_PATH allow_list_shown "${SOURCE_DIR}" "${ALLOW_LIST}")
if(allow_list_shown MATCHES "^\\.\\./")
    set(allow_list_shown "${ALLOW_LIST}")
endif()
if(EXISTS "${ALLOW_LIST}")
    read_lines("${ALLOW_LIST}" lines)
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        string(STRIP "${line}" entry)
        if(entry STREQUAL "" OR entry MATCHES "^#")
            continue()
        endif()
        string(REGEX REPLACE "[ \t]+" " " entry "${entry}")
        if(NOT entry MATCHES "^[^ ]+ [^ ]+$")
            message(NOTICE "${allow_list_shown}:${number}: ${entry}: not an entry (<file> <included header>)")
            math(EXPR violations "${violations} + 1")
            continue()
        endif()
        math(EXPR allowed_count "${allowed_count} + 1")
        set(allowed_${allowed_count} "${entry}")
        set(allowed_line_${allowed_count} ${number})
    endforeach()
endif()

# Sets `out` to the number of the allow-list entry of `file` including `path`
# and marks it needed; 0 when there is none.
macro(take_allowed file path out)
    set(${out} 0)
    foreach(n RANGE 1 ${allowed_count})
        if(allowed_count GREATER 0 AND "${allowed_${n}}" STREQUAL "${file} ${path}")
            set(${out} ${n})
            set(allowed_used_${n} TRUE)
        endif()
    endforeach()
endmacro()

foreach(folder IN LISTS core_layers ITEMS cli gui)
    set(layer core)
    if(folder STREQUAL "cli" OR folder STREQUAL "gui")
        set(layer ${folder})
    endif()
    file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h"
         "${SOURCE_DIR}/${folder}/*.hpp" "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.c")
    list(SORT sources)
    foreach(file IN LISTS sources)
        read_lines("${SOURCE_DIR}/${file}" lines)
        get_filename_component(including_dir "${file}" DIRECTORY)
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
                set(bracket "${CMAKE_MATCH_1}")
                set(header "${CMAKE_MATCH_2}")
                set(reason "")
                if(bracket STREQUAL "\"")
                    # Ranked by the header the compiler finds, however it is named.
                    resolve_quoted("${header}" "${including_dir}" path)
                    if(NOT path STREQUAL "")
                        rank_violation("${file}" "${path}" reason)
                    endif()
                    if(NOT reason STREQUAL "")
                        take_allowed("${file}" "${path}" allowed)
                        if(allowed GREATER 0)
                            set(reason "")
                        endif()
                    endif()
                endif()
                if(reason STREQUAL "" AND NOT layer STREQUAL "gui")
                    include_violation(${layer} "${file}" "${bracket}" "${header}" reason)
                endif()
                if(NOT reason STREQUAL "")
                    string(STRIP "${line}" shown)
                    message(NOTICE "${file}:${number}: ${shown}: ${reason}")
                    math(EXPR violations "${violations} + 1")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

foreach(n RANGE 1 ${allowed_count})
    if(allowed_count GREATER 0 AND NOT allowed_used_${n})
        message(NOTICE "${allow_list_shown}:${allowed_line_${n}}: allow-list entry ${allowed_${n}} no longer needed: remove it")
        math(EXPR violations "${violations} + 1")
    endif()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) or allow-list entries break the layering")
endif()
