# The calling convention of the host's DLL functions, and the names they are
# exported under, for the programs and the stand-ins alike (HOST_CALL). The
# .def files of host/exports/ follow it.
set(DOSEWRIGHT_HOST_CALLING_CONVENTION cdecl CACHE STRING
    "Calling convention of the host's DLL functions (32-bit Windows): cdecl or stdcall")
set_property(CACHE DOSEWRIGHT_HOST_CALLING_CONVENTION PROPERTY STRINGS cdecl stdcall)
set(DOSEWRIGHT_HOST_EXPORT_NAMES plain CACHE STRING
    "With stdcall: the host's DLLs export plain names (fsopen) or decorated ones (_fsopen@20)")
set_property(CACHE DOSEWRIGHT_HOST_EXPORT_NAMES PROPERTY STRINGS plain decorated)
if(NOT DOSEWRIGHT_HOST_CALLING_CONVENTION MATCHES "^(cdecl|stdcall)$")
    message(FATAL_ERROR "DOSEWRIGHT_HOST_CALLING_CONVENTION is cdecl or stdcall, "
                        "not '${DOSEWRIGHT_HOST_CALLING_CONVENTION}'")
endif()
if(NOT DOSEWRIGHT_HOST_EXPORT_NAMES MATCHES "^(plain|decorated)$")
    message(FATAL_ERROR "DOSEWRIGHT_HOST_EXPORT_NAMES is plain or decorated, "
                        "not '${DOSEWRIGHT_HOST_EXPORT_NAMES}'")
endif()

# What this build takes: on x86_64 there is one convention and no decoration.
set(DOSEWRIGHT_HOST_CONVENTION cdecl)
set(DOSEWRIGHT_HOST_NAMES plain)
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4 AND DOSEWRIGHT_HOST_CALLING_CONVENTION STREQUAL stdcall)
    set(DOSEWRIGHT_HOST_CONVENTION stdcall)
    set(DOSEWRIGHT_HOST_NAMES ${DOSEWRIGHT_HOST_EXPORT_NAMES})
    # Everything that declares or defines a host function: the stand-ins and the programs.
    add_compile_definitions(HOST_CALL=__stdcall)
    if(DOSEWRIGHT_HOST_NAMES STREQUAL decorated)
        add_compile_definitions(HOST_DECORATED_NAMES)
    endif()
endif()
message(STATUS "Host calling convention: ${DOSEWRIGHT_HOST_CONVENTION}, export names ${DOSEWRIGHT_HOST_NAMES}")

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    # A call whose convention differs from the function's is an error, never
    # resolved by the linker's guess (which corrupts the stack at the first call).
    add_link_options(-Wl,--disable-stdcall-fixup)
endif()
