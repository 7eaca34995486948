# Reads a Windows binary's import or export table with objdump and compares the entries, as
# demangled names with std::string for the standard string's long name, with a list kept in the
# source tree (one name a line, in any order; lines starting with # are comments; the entries
# after a line "[ELF only]" belong to ELF libraries only and are left out here).
#
#   cmake -DOBJDUMP=... -DCXXFILT=... -DBINARY=file -DEXPECTED=list.txt
#         -DTABLE=exports|imports [-DFROM=quorvin.dll] [-DRUNTIME=libstdc++-6.dll] -P CheckBinary.cmake
#
# TABLE=imports compares the entries that BINARY takes from the DLL named FROM. RUNTIME, when
# given, must be among the DLLs that BINARY loads: the library and its callers share one C++
# runtime only when each loads it rather than carrying a copy of its own.
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP CXXFILT BINARY EXPECTED TABLE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "${var} is not set")
    endif()
endforeach()

execute_process(COMMAND "${OBJDUMP}" -p "${BINARY}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${OBJDUMP} -p ${BINARY} failed")
endif()
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(mangled)
set(loaded)
set(section "")
foreach(line IN LISTS lines)
    if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
        set(section exports)
    elseif(line MATCHES "^[ \t]*DLL Name: (.+)$")
        string(STRIP "${CMAKE_MATCH_1}" dll)
        string(TOLOWER "${dll}" dll)
        list(APPEND loaded "${dll}")
        set(section "import:${dll}")
    elseif(line MATCHES "^[ \t]*$")
        set(section "")
    elseif(TABLE STREQUAL "exports" AND section STREQUAL "exports"
           AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
        list(APPEND mangled "${CMAKE_MATCH_1}")
    elseif(TABLE STREQUAL "imports" AND DEFINED FROM)
        string(TOLOWER "${FROM}" from)
        # Import rows: the hint-name address, the hint, the name.
        if(section STREQUAL "import:${from}" AND line MATCHES "^[ \t]*[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+(.+)$")
            list(APPEND mangled "${CMAKE_MATCH_1}")
        endif()
    endif()
endforeach()

if(DEFINED RUNTIME)
    string(TOLOWER "${RUNTIME}" runtime)
    if(NOT runtime IN_LIST loaded)
        message(FATAL_ERROR "${BINARY} does not load ${RUNTIME}; it loads: ${loaded}")
    endif()
endif()

# Demangle all names in one run; c++filt passes C names through unchanged.
get_filename_component(name "${BINARY}" NAME)
set(demangled "")
if(mangled)
    execute_process(COMMAND "${CXXFILT}" ${mangled} OUTPUT_VARIABLE demangled
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${CXXFILT} failed")
    endif()
endif()
string(REPLACE "std::__cxx11::basic_string<char, std::char_traits<char>, std::allocator<char> >"
               "std::string" demangled "${demangled}")
string(REPLACE "std::basic_string<char, std::char_traits<char>, std::allocator<char> >"
               "std::string" demangled "${demangled}")
string(REPLACE ";" "\\;" demangled "${demangled}")
string(REPLACE "\n" ";" actual "${demangled}")
list(REMOVE_ITEM actual "")
list(SORT actual)

file(STRINGS "${EXPECTED}" listed)
set(expected)
foreach(line IN LISTS listed)
    if(line STREQUAL "[ELF only]")
        break()
    endif()
    if(NOT line MATCHES "^(#.*)?$")
        list(APPEND expected "${line}")
    endif()
endforeach()
list(SORT expected)

set(missing ${expected})
set(extra ${actual})
if(actual)
    list(REMOVE_ITEM missing ${actual})
endif()
if(expected)
    list(REMOVE_ITEM extra ${expected})
endif()
list(LENGTH actual count)
# Whole lists compared: constructors and destructors have several entries of one demangled name.
if(NOT actual STREQUAL expected)
    string(REPLACE ";" "\n  " missing "${missing}")
    string(REPLACE ";" "\n  " extra "${extra}")
    message(FATAL_ERROR "${name} ${TABLE}: ${count} entries differ from ${EXPECTED}\n"
                        "missing:\n  ${missing}\nunexpected:\n  ${extra}\n"
                        "(with neither list, a name occurs more or fewer times than expected)")
endif()
message(STATUS "${name} ${TABLE}: the ${count} expected entries and nothing else")
