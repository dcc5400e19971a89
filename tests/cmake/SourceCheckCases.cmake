# What the tests of the source checks (the layer check, the Windows portability
# check) share: a tree of files written from a table of cases, the check run
# on it, and its output held to what each case expects.
#
# source_check_write_cases(TREE CASES_VARIABLE EXPECTED_VARIABLE)
#   Each case is "file|its text|what the check must say about it" (the last
#   field empty or left out when it must say nothing). Characters a CMake list
#   cannot carry are written out in the table: \n, SEMICOLON, OROR (||), OPEN
#   ([), CLOSE (]) and BACKSLASH. Sets EXPECTED_VARIABLE to the messages.
function(source_check_write_cases tree cases_variable expected_variable)
    set(expected "")
    foreach(case IN LISTS ${cases_variable})
        string(REPLACE "|" ";" fields "${case}")
        list(GET fields 0 file)
        list(GET fields 1 text)
        list(LENGTH fields count)
        string(REPLACE "\\n" "\n" text "${text}")
        string(REPLACE "SEMICOLON" ";" text "${text}")
        string(REPLACE "OROR" "||" text "${text}")
        string(REPLACE "OPEN" "[" text "${text}")
        string(REPLACE "CLOSE" "]" text "${text}")
        string(REPLACE "BACKSLASH" "\\" text "${text}")
        file(WRITE "${tree}/${file}" "${text}\n")
        if(count GREATER 2)
            list(GET fields 2 message)
            if(NOT message STREQUAL "")
                list(APPEND expected "${message}")
            endif()
        endif()
    endforeach()
    set(${expected_variable} "${expected}" PARENT_SCOPE)
endfunction()

# source_check_expect(CHECK TREE EXPECTED_VARIABLE WHAT [FROM])
#   Runs check script CHECK on TREE: it must fail, report every expected
#   message, and report as many places (path:line:) as are expected. WHAT names
#   what it reports, for the messages ("includes", "uses"). FROM is the folder
#   the check runs in, for a TREE relative to it.
function(source_check_expect check tree expected_variable what)
    get_filename_component(check "${check}" ABSOLUTE)
    set(from "${CMAKE_CURRENT_BINARY_DIR}")
    if(ARGC GREATER 4)
        set(from "${ARGV4}")
    endif()
    execute_process(COMMAND "${CMAKE_COMMAND}" -DSOURCE_DIR=${tree} -P "${check}"
                    WORKING_DIRECTORY "${from}"
                    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(result EQUAL 0)
        message(FATAL_ERROR "the check passed a tree with ${what} it must refuse:\n${output}")
    endif()
    set(failures "")
    foreach(message IN LISTS ${expected_variable})
        string(FIND "${output}" "${message}" at)
        if(at EQUAL -1)
            string(APPEND failures "not reported: ${message}\n")
        endif()
    endforeach()
    string(REGEX MATCHALL "[a-z0-9/]+/[A-Za-z]+\\.(cpp|h|txt):[0-9]+:" reported "${output}")
    list(LENGTH reported reported_count)
    list(LENGTH ${expected_variable} expected_count)
    if(NOT reported_count EQUAL expected_count)
        string(APPEND failures "${reported_count} ${what} reported, ${expected_count} expected\n")
    endif()
    if(NOT failures STREQUAL "")
        message(FATAL_ERROR "${failures}check output:\n${output}")
    endif()
endfunction()
