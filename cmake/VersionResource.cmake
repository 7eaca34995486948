# quorvin_version_resource(target file description): a Windows version block for `target`
# (the file Windows shows as `file`, such as quorvin.dll), with the project's version as file
# and product version and `description` as what Explorer's details call it. Included at the
# top level, where the resource compiler is enabled for every folder of a Windows build.
include_guard(GLOBAL)
if(WIN32)
    enable_language(RC)
endif()

function(quorvin_version_resource target file description)
    if(NOT WIN32)
        return()
    endif()
    set(QUORVIN_VERSION_FILE "${file}")
    get_filename_component(QUORVIN_VERSION_INTERNAL "${file}" NAME_WE)
    set(QUORVIN_VERSION_DESCRIPTION "${description}")
    # Four numbers: major, minor, patch and a build number that the project does not use.
    set(QUORVIN_VERSION_COMMAS
        "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0")
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "SHARED_LIBRARY")
        set(QUORVIN_VERSION_FILETYPE VFT_DLL)
    else()
        set(QUORVIN_VERSION_FILETYPE VFT_APP)
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc")
    configure_file("${QUORVIN_ROOT}/cmake/windows/VersionInfo.rc.in" "${rc}" @ONLY)
    target_sources(${target} PRIVATE "${rc}")
endfunction()
