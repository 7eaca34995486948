# Installation of the library, its public headers and its package files: a CMake package
# (find_package(Quorvin) gives Quorvin::quorvin) and a pkg-config file. The shared library that
# programs load belongs to the component Quorvin; what a caller builds against (the headers,
# the link name libquorvin.so, the import library and both package files) to the component
# Development. Neither needs the programs beside them.
include(CMakePackageConfigHelpers)

set(QUORVIN_PACKAGE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/Quorvin")

install(TARGETS quorvin EXPORT QuorvinTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Quorvin NAMELINK_COMPONENT Development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Quorvin
    INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY "${QUORVIN_ROOT}/include/quorvin" DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT Development)

install(EXPORT QuorvinTargets NAMESPACE Quorvin:: DESTINATION "${QUORVIN_PACKAGE_DIR}"
    COMPONENT Development)
configure_package_config_file("${QUORVIN_ROOT}/cmake/QuorvinConfig.cmake.in"
    "${CMAKE_CURRENT_BINARY_DIR}/QuorvinConfig.cmake"
    INSTALL_DESTINATION "${QUORVIN_PACKAGE_DIR}")
write_basic_package_version_file("${CMAKE_CURRENT_BINARY_DIR}/QuorvinConfigVersion.cmake"
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/QuorvinConfig.cmake"
              "${CMAKE_CURRENT_BINARY_DIR}/QuorvinConfigVersion.cmake"
    DESTINATION "${QUORVIN_PACKAGE_DIR}" COMPONENT Development)

# The pkg-config file finds the prefix from its own place, so the tree stays relocatable
# (cmake --install --prefix chooses the prefix after this file is written).
function(quorvin_pc_dir out dir)
    if(IS_ABSOLUTE "${dir}")
        set(${out} "${dir}" PARENT_SCOPE)
    else()
        set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
    endif()
endfunction()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(QUORVIN_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
    file(RELATIVE_PATH QUORVIN_PC_UP "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
    string(REGEX REPLACE "/$" "" QUORVIN_PC_UP "${QUORVIN_PC_UP}")
    set(QUORVIN_PC_PREFIX "\${pcfiledir}/${QUORVIN_PC_UP}")
endif()
quorvin_pc_dir(QUORVIN_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
quorvin_pc_dir(QUORVIN_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
configure_file("${QUORVIN_ROOT}/cmake/quorvin.pc.in" "${CMAKE_CURRENT_BINARY_DIR}/quorvin.pc" @ONLY)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/quorvin.pc"
    DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig" COMPONENT Development)
