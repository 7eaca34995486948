# Runs a C program of tests/capi under Wine against the camera port and compares what it prints
# with the Linux build's expectation; with IMPORTS, also checks that the program loads exactly
# those DLLs (lower case, separated by commas).
#
#   cmake -DEMULATOR=... -DPROGRAM=x.exe -DPORT=COM7 -DEXPECTED=CProgram.out -DVERSION=1.0.0
#         -DOBJDUMP=... [-DIMPORTS=a.dll,b.dll] -P RunCProgram.cmake
cmake_minimum_required(VERSION 3.25)

if(IMPORTS)
    execute_process(COMMAND "${OBJDUMP}" -p "${PROGRAM}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${OBJDUMP} -p ${PROGRAM} failed")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
    set(loaded)
    foreach(name IN LISTS names)
        string(REGEX REPLACE "^DLL Name: " "" dll "${name}")
        string(STRIP "${dll}" dll)
        string(TOLOWER "${dll}" dll)
        list(APPEND loaded "${dll}")
    endforeach()
    list(SORT loaded)
    string(REPLACE "," ";" wanted "${IMPORTS}")
    list(SORT wanted)
    if(NOT loaded STREQUAL wanted)
        message(FATAL_ERROR "${PROGRAM} loads ${loaded}; expected ${wanted}")
    endif()
endif()

string(REPLACE ";" " " shown "${EMULATOR}")
execute_process(COMMAND ${EMULATOR} "${PROGRAM}" "${PORT}" RESULT_VARIABLE status
                OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ "${EXPECTED}" expected)
string(REPLACE "@PROJECT_VERSION@" "${VERSION}" expected "${expected}")
# The C runtime of a mingw-w64 program ends its text lines with "\r\n".
string(REPLACE "\r\n" "\n" out "${out}")
if(NOT status EQUAL 0 OR NOT out STREQUAL expected)
    message(FATAL_ERROR "${PROGRAM} ${PORT}: exit status ${status}\nprinted:\n${out}\n"
                        "expected:\n${expected}\nstandard error:\n${err}")
endif()
message(STATUS "${PROGRAM} drove the camera on ${PORT} and read back what it set")
