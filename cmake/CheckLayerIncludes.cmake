# Holds the layering of the sources by their #include lines:
#
#   cmake -DSOURCE_DIR=<repository> -P CheckLayerIncludes.cmake
#
# The utility's core (app/ data/ repair/ deploy/ resources/) includes the C++
# standard library, its own headers, the host contract data/HostLibraries.h and
# the interfaces directly in platform/; nothing else: no toolkit, no SQLite, no
# operating-system header, nothing under host/. The command-line program (cli/)
# reaches the operating system only through platform/ as well. Every include
# that breaks a rule is named with its file and line; the script fails when
# there is one.

cmake_minimum_required(VERSION 3.22)

if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckLayerIncludes.cmake needs -DSOURCE_DIR=...")
endif()

set(core_layers app data repair deploy resources)
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

set(violations 0)
foreach(folder IN LISTS core_layers ITEMS cli)
    set(layer core)
    if(folder STREQUAL "cli")
        set(layer cli)
    endif()
    file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/${folder}/*.h"
         "${SOURCE_DIR}/${folder}/*.hpp" "${SOURCE_DIR}/${folder}/*.cpp" "${SOURCE_DIR}/${folder}/*.c")
    list(SORT sources)
    foreach(file IN LISTS sources)
        # One list element a line, line numbers kept: the characters that
        # would split or join list elements are masked first.
        file(READ "${SOURCE_DIR}/${file}" text)
        string(REGEX REPLACE "[][;\\\\]" "_" text "${text}")
        string(REPLACE "\n" ";" lines "${text}")
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
                include_violation(${layer} "${file}" "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}" reason)
                if(NOT reason STREQUAL "")
                    string(STRIP "${line}" shown)
                    message(NOTICE "${file}:${number}: ${shown}: ${reason}")
                    math(EXPR violations "${violations} + 1")
                endif()
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) break the layering")
endif()
