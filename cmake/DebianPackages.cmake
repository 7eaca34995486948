# The Debian packages, made by CPack from the install components:
#   libquorvin1     the shared library (component Quorvin), named after its SONAME
#   libquorvin-dev  headers, link name, CMake package and quorvin.pc (component Development)
#   quorvin         the programs quorvin, quorvin-hub (with its page and a systemd unit, not
#                   enabled), quorvin-camsim and quorvin-demo (those built)
#   libquorvin-c1   the C interface's library libquorvin-c.so.1 (component CLibrary); its header
#                   quorvin.h and link name go with libquorvin-dev
#   python3-quorvin the Python package over it (component Python), for every architecture
# Each package's dependencies on other distribution packages come from its binaries through
# dpkg-shlibdeps; the library package carries a shlibs file for the packages linking it.
#   cd build/ci && cpack -G DEB        (writes the .deb files into build/ci)

set(QUORVIN_DEB_LIBRARY "libquorvin${PROJECT_VERSION_MAJOR}")
set(QUORVIN_DEB_C_LIBRARY "libquorvin-c${PROJECT_VERSION_MAJOR}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvin)
set(CPACK_PACKAGE_VENDOR "Quorvin")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Quorvin maintainers <maintainers@users.noreply.c-seed-30642c4f.example>")
# CPackDeb puts the package-wide summary before each package's own description unless it is
# CPack's default; every package below starts its description with its own summary line.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The programs link the library of this build, which no installed package provides yet; their
# dependency on it is named below.
get_target_property(quorvin_library_dir quorvin BINARY_DIR)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${quorvin_library_dir}")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

# The programs of this build, one package together.
set(CPACK_COMPONENTS_ALL Quorvin Development)
if(QUORVIN_BUILD_C)
    list(APPEND CPACK_COMPONENTS_ALL CLibrary Python)
endif()
foreach(component Cli Hub Sim Demo)
    string(TOUPPER ${component} upper)
    if(QUORVIN_BUILD_${upper})
        list(APPEND CPACK_COMPONENTS_ALL ${component})
        set(CPACK_COMPONENT_${upper}_GROUP Tools)
    endif()
endforeach()
set(quorvin_doc_owners Quorvin:${QUORVIN_DEB_LIBRARY} Development:libquorvin-dev)
if(QUORVIN_BUILD_C)
    list(APPEND quorvin_doc_owners CLibrary:${QUORVIN_DEB_C_LIBRARY} Python:python3-quorvin)
endif()
set(tool_components ${CPACK_COMPONENTS_ALL})
list(REMOVE_ITEM tool_components Quorvin Development CLibrary Python)
if(tool_components)
    list(GET tool_components 0 first_tool)
    list(APPEND quorvin_doc_owners ${first_tool}:quorvin)
endif()
set(CPACK_COMPONENTS_GROUPING ONE_PER_GROUP)

set(CPACK_DEBIAN_QUORVIN_PACKAGE_NAME "${QUORVIN_DEB_LIBRARY}")
set(CPACK_DEBIAN_QUORVIN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_QUORVIN_DESCRIPTION
    "VISCA pan/tilt/zoom camera control library
Quorvin drives pan/tilt/zoom video cameras over the VISCA serial protocol:
moves, zoom, focus, white balance, exposure, presets, power and an inquiry
for each setting, on a daisy chain of up to seven cameras.

This package holds the shared library.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquorvin-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS Quorvin)
if(QUORVIN_BUILD_C)
    list(APPEND CPACK_COMPONENT_DEVELOPMENT_DEPENDS CLibrary)
endif()
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "VISCA pan/tilt/zoom camera control library (development files)
Quorvin drives pan/tilt/zoom video cameras over the VISCA serial protocol.

This package holds the C++ headers, the CMake package (find_package(Quorvin)
gives Quorvin::quorvin) and the pkg-config file quorvin.pc; and the C
interface's header quorvin/quorvin.h with the link name libquorvin-c.so.")

set(CPACK_DEBIAN_CLIBRARY_PACKAGE_NAME "${QUORVIN_DEB_C_LIBRARY}")
set(CPACK_DEBIAN_CLIBRARY_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_CLIBRARY_DESCRIPTION
    "VISCA pan/tilt/zoom camera control library (C interface)
Quorvin drives pan/tilt/zoom video cameras over the VISCA serial protocol.

This package holds libquorvin-c.so.1: the same camera operations as a plain C
interface, for programs of any compiler and language (Python, C#, Node...).")

# Pure Python: one package for every architecture, over the C library of the same version.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-quorvin)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "${QUORVIN_DEB_C_LIBRARY} (= ${PROJECT_VERSION}), python3")
set(CPACK_DEBIAN_PYTHON_DESCRIPTION
    "VISCA pan/tilt/zoom camera control from Python
Quorvin drives pan/tilt/zoom video cameras over the VISCA serial protocol.

This package holds the Python module quorvin: with quorvin.Camera(port) as cam,
the camera operations as methods, over the C library libquorvin-c.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME quorvin)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION video)
# A package made of a group gets no dependencies from its components' own, so it names the
# library package itself.
set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "${QUORVIN_DEB_LIBRARY} (= ${PROJECT_VERSION})")
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "VISCA pan/tilt/zoom camera control tools
Programs built on the Quorvin library: quorvin, which runs any camera
operation or dumps every setting from the command line; quorvin-hub, a
resident program that owns the camera links, heals them and serves the
cameras over HTTP, WebSocket and VISCA over IP (its systemd unit is
installed, not enabled); quorvin-camsim, a virtual chain of VISCA cameras
on a pseudo-terminal; and quorvin-demo, a dialog that drives one camera.")

# Every package carries the copyright file where Debian looks for it.
foreach(pair IN LISTS quorvin_doc_owners)
    string(REPLACE ":" ";" pair "${pair}")
    list(GET pair 0 component)
    list(GET pair 1 package)
    install(FILES "${QUORVIN_ROOT}/cmake/debian/copyright"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/${package}" COMPONENT ${component})
endforeach()

include(CPack)
