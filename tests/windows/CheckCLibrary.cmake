# Checks quorvin-c.dll's tables: its exports are exactly the functions its .def names (no C++
# entry of the engine inside it), and every DLL it loads is one of Windows' own (mingw-w64 has an
# import library lib<name>.a for it in SYSTEM_LIBS): the C++ runtime is linked in.
#
#   cmake -DOBJDUMP=... -DBINARY=quorvin-c.dll -DDEFINITIONS=capi/quorvin-c.def
#         -DSYSTEM_LIBS=/usr/<triplet>/lib -P CheckCLibrary.cmake
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND "${OBJDUMP}" -p "${BINARY}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} -p ${BINARY} failed")
endif()

# "[Ordinal/Name Pointer] Table" lists one export a line, "\t[   0] name", up to a blank line.
string(REPLACE ";" "," dump_lines "${dump}")
string(REPLACE "\n" ";" dump_lines "${dump_lines}")
set(exported)
set(in_table FALSE)
foreach(line IN LISTS dump_lines)
    if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
        set(in_table TRUE)
    elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] +(.+)$")
        list(APPEND exported "${CMAKE_MATCH_1}")
    elseif(in_table)
        break()
    endif()
endforeach()
list(SORT exported)

file(STRINGS "${DEFINITIONS}" lines REGEX "^    quorvin_")
set(listed)
foreach(line IN LISTS lines)
    string(STRIP "${line}" name)
    list(APPEND listed "${name}")
endforeach()
list(SORT listed)
if(NOT exported STREQUAL listed)
    set(extra ${exported})
    list(REMOVE_ITEM extra ${listed})
    set(lacking ${listed})
    list(REMOVE_ITEM lacking ${exported})
    message(FATAL_ERROR "${BINARY} exports what its .def does not name: ${extra}\n"
                        "and lacks: ${lacking}")
endif()

string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
set(foreign)
foreach(name IN LISTS names)
    string(REGEX REPLACE "^DLL Name: " "" dll "${name}")
    string(STRIP "${dll}" dll)
    string(TOLOWER "${dll}" dll)
    string(REGEX REPLACE "\\.dll$" "" stem "${dll}")
    if(NOT EXISTS "${SYSTEM_LIBS}/lib${stem}.a")
        list(APPEND foreign "${dll}")
    endif()
endforeach()
if(foreign)
    message(FATAL_ERROR "${BINARY} loads DLLs that are not Windows' own: ${foreign}")
endif()
list(LENGTH exported count)
message(STATUS "${BINARY}: ${count} functions exported, loads only Windows' own DLLs")
