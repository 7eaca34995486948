# The build machine's header-only libraries (Debian's CLI11 and nlohmann-json) as packages of
# the mingw-w64 builds. Their own package files would put the build machine's /usr/include on
# the include path, where its C library's headers would shadow mingw's; instead the library's
# one folder is linked into a folder of the build's own, and that folder is all the target adds.
include_guard(GLOBAL)

set(QUORVIN_HOST_INCLUDE /usr/include CACHE PATH
    "Where the build machine keeps the header-only libraries that the Windows builds use")

# Defines the imported target `target` whose headers are QUORVIN_HOST_INCLUDE/`folder`, and
# sets the calling package's _FOUND (and its reason when not found).
macro(quorvin_host_header_package target folder)
    set(quorvin_host_source "${QUORVIN_HOST_INCLUDE}/${folder}")
    if(NOT IS_DIRECTORY "${quorvin_host_source}")
        set(${CMAKE_FIND_PACKAGE_NAME}_FOUND FALSE)
        set(${CMAKE_FIND_PACKAGE_NAME}_NOT_FOUND_MESSAGE "no ${quorvin_host_source}")
    else()
        if(NOT TARGET ${target})
            set(quorvin_host_dir "${CMAKE_BINARY_DIR}/host-headers/${folder}")
            file(MAKE_DIRECTORY "${quorvin_host_dir}")
            if(NOT EXISTS "${quorvin_host_dir}/${folder}")
                file(CREATE_LINK "${quorvin_host_source}" "${quorvin_host_dir}/${folder}" SYMBOLIC)
            endif()
            add_library(${target} INTERFACE IMPORTED)
            set_target_properties(${target} PROPERTIES
                INTERFACE_INCLUDE_DIRECTORIES "${quorvin_host_dir}")
        endif()
        set(${CMAKE_FIND_PACKAGE_NAME}_FOUND TRUE)
    endif()
endmacro()

# The version of the package as the build machine's own version file states it (header-only:
# no architecture to compare); unsuitable when the build machine has none.
macro(quorvin_host_header_version file)
    if(EXISTS "${file}")
        include("${file}")
    else()
        set(PACKAGE_VERSION "unknown")
        set(PACKAGE_VERSION_UNSUITABLE TRUE)
    endif()
endmacro()
