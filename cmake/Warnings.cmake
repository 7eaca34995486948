# The source root, also when this file is included from a scratch project.
get_filename_component(QUORVIN_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)

# Warnings for every target of the project; errors when QUORVIN_WERROR is on (CI).
function(quorvin_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion -Wnon-virtual-dtor)
    if(QUORVIN_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(QUORVIN_SANITIZE AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        # The sanitizers' instrumentation makes GCC's flow analysis report uninitialised reads
        # inside the standard library's variant and regex that cannot happen.
        target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
    endif()
endfunction()

# One layer of the library, compiled once into objects that both the shared library and the
# static test library are linked from. Only entries marked QUORVIN_API are exported.
function(quorvin_layer target)
    add_library(${target} OBJECT ${ARGN})
    target_include_directories(${target} PUBLIC "${QUORVIN_ROOT}" "${QUORVIN_ROOT}/include")
    target_compile_definitions(${target} PRIVATE QUORVIN_BUILDING)
    set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON
                                               POSITION_INDEPENDENT_CODE ON)
    quorvin_warnings(${target})
endfunction()
