# Makes the Windows package of a build with CPack and checks that it holds the deliverables:
# the library, the programs, the C++ runtime DLLs they share, the import library and every
# public header; and that every DLL a program or DLL of bin/ loads is either beside it in
# bin/ or one of Windows' own (one that mingw-w64 has an import library lib<name>.a for in
# SYSTEM_LIBS).
#
#   cmake -DBUILD_DIR=... -DCPACK=... -DPACKAGE=quorvin-1.0.0-win32 -DHEADERS_DIR=include/quorvin
#         -DPROGRAMS=Demo.exe,quorvin.exe -DRUNTIME=libstdc++-6.dll,... -DOBJDUMP=... -DSYSTEM_LIBS=/usr/<triplet>/lib
#         [-DEXTRA=bin/quorvin-c.dll,lib/quorvin-c.lib,...] -P CheckPackage.cmake
# EXTRA names further files that the package must hold (the C interface's, when built).
cmake_minimum_required(VERSION 3.25)

foreach(var BUILD_DIR CPACK PACKAGE HEADERS_DIR PROGRAMS RUNTIME OBJDUMP SYSTEM_LIBS)
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

set(wanted bin/quorvin.dll lib/libquorvin.dll.a)
if(EXTRA)
    string(REPLACE "," ";" extra "${EXTRA}")
    list(APPEND wanted ${extra})
endif()
string(REPLACE "," ";" in_bin "${PROGRAMS},${RUNTIME}")
foreach(file IN LISTS in_bin)
    list(APPEND wanted "bin/${file}")
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

# Each binary of bin/ as Windows would start it from the unpacked folder: its DLLs found there.
set(unpacked "${BUILD_DIR}/package-check")
file(REMOVE_RECURSE "${unpacked}")
file(MAKE_DIRECTORY "${unpacked}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E tar xf "${zip}" WORKING_DIRECTORY "${unpacked}"
                RESULT_VARIABLE failed ERROR_VARIABLE error)
if(failed)
    message(FATAL_ERROR "cannot unpack ${zip}: ${error}")
endif()
set(bin "${unpacked}/${PACKAGE}/bin")
file(GLOB binaries RELATIVE "${bin}" "${bin}/*.exe" "${bin}/*.dll")
set(shipped)
foreach(binary IN LISTS binaries)
    string(TOLOWER "${binary}" lower)
    list(APPEND shipped "${lower}")
endforeach()
set(unmet)
foreach(binary IN LISTS binaries)
    execute_process(COMMAND "${OBJDUMP}" -p "${bin}/${binary}" OUTPUT_VARIABLE dump
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${OBJDUMP} -p ${binary} failed")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    foreach(name IN LISTS names)
        string(REGEX REPLACE "^DLL Name: " "" dll "${name}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        string(REGEX REPLACE "\\.dll$" "" stem "${dll}")
        if(NOT dll IN_LIST shipped AND NOT EXISTS "${SYSTEM_LIBS}/lib${stem}.a")
            list(APPEND unmet "${binary} loads ${dll}")
        endif()
    endforeach()
endforeach()
file(REMOVE_RECURSE "${unpacked}")
if(unmet)
    string(REPLACE ";" "\n  " unmet "${unmet}")
    message(FATAL_ERROR "${zip}: DLLs neither in bin/ nor Windows' own:\n  ${unmet}")
endif()
message(STATUS "${zip} holds the deliverables, and bin/ the DLLs they load: ${binaries}")
