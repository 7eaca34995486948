# The Windows package, a ZIP made by CPack from the install tree:
#   bin/      quorvin.dll, Demo.exe, quorvin.exe, quorvin-doctor.exe (which quorvin.exe runs for
#             scan and doctor), quorvin-hub.exe and the C++ runtime DLLs that they load
#   share/    quorvin/hub/web, the hub's page
#   lib/      the import library libquorvin.dll.a (with the CMake and pkg-config files)
#   include/  the public headers
# Named quorvin-<version>-win32.zip for the 32-bit deliverables (win64 for the test build).
#   cmake --build build-win32 --target package
include(WindowsRuntime)

# quorvin.dll and its programs share one libstdc++ (a std::string and DriverException cross
# between them), so the runtime ships once, beside them all.
install(FILES ${QUORVIN_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Quorvin)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QUORVIN_PACKAGE_PLATFORM win32)
else()
    set(QUORVIN_PACKAGE_PLATFORM win64)
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvin)
set(CPACK_PACKAGE_VENDOR "Quorvin")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(QUORVIN_PACKAGE_NAME "quorvin-${PROJECT_VERSION}-${QUORVIN_PACKAGE_PLATFORM}")
set(CPACK_PACKAGE_FILE_NAME "${QUORVIN_PACKAGE_NAME}")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_STRIP_FILES ON)
include(CPack)
