# Makes the Windows package of a build with CPack and checks that it holds the deliverables:
# the library, Demo.exe, the C++ runtime DLLs they share, the import library and every public
# header.
#
#   cmake -DBUILD_DIR=... -DCPACK=... -DPACKAGE=quorvin-1.0.0-win32 -DHEADERS_DIR=include/quorvin
#         -DRUNTIME=libstdc++-6.dll,... -P CheckPackage.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR CPACK PACKAGE HEADERS_DIR RUNTIME)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

execute_process(COMMAND "${CPACK}" WORKING_DIRECTORY "${BUILD_DIR}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(failed)
    message(FATAL_ERROR "cpack failed in ${BUILD_DIR}:\n${out}")
endif()
set(zip "${BUILD_DIR}/${PACKAGE}.zip")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar tf "${zip}"
                RESULT_VARIABLE failed OUTPUT_VARIABLE listing ERROR_VARIABLE error)
if(failed)
    message(FATAL_ERROR "cannot list ${zip}: ${error}")
endif()
string(REPLACE "\n" ";" listing "${listing}")

set(wanted bin/quorvin.dll bin/Demo.exe lib/libquorvin.dll.a)
string(REPLACE "," ";" runtime "${RUNTIME}")
foreach(dll IN LISTS runtime)
    list(APPEND wanted "bin/${dll}")
endforeach()
file(GLOB headers RELATIVE "${HEADERS_DIR}/.." "${HEADERS_DIR}/*.h")
foreach(header IN LISTS headers)
    list(APPEND wanted "include/${header}")
endforeach()

set(missing)
foreach(file IN LISTS wanted)
    if(NOT "${PACKAGE}/${file}" IN_LIST listing)
        list(APPEND missing "${file}")
    endif()
endforeach()
if(missing)
    string(REPLACE ";" "\n  " missing "${missing}")
    message(FATAL_ERROR "${zip} lacks:\n  ${missing}")
endif()
message(STATUS "${zip} holds the deliverables")
