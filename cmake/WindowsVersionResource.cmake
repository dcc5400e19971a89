# dosewright_version_resource(TARGET FILE DESCRIPTION)
# Gives Windows program TARGET its version resource (product, description,
# company, copyright and the project's version) as dosewright-version.rc in its
# binary folder; a resource script of the target's own may #include it instead
# of taking it as a source of its own (INCLUDED).
set(DOSEWRIGHT_COPYRIGHT_YEAR 2026)
function(dosewright_version_resource target file description)
    cmake_parse_arguments(V "INCLUDED" "" "" ${ARGN})
    set(DOSEWRIGHT_PROGRAM_FILE ${file})
    set(DOSEWRIGHT_PROGRAM_DESCRIPTION ${description})
    configure_file(${CMAKE_SOURCE_DIR}/resources/windows/Version.rc.in
                   ${CMAKE_CURRENT_BINARY_DIR}/dosewright-version.rc @ONLY)
    if(NOT V_INCLUDED)
        target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/dosewright-version.rc)
    endif()
endfunction()
