# The mingw-w64 C++ runtime DLLs that the library and every program of the build load: found
# through the compiler, copied into the folder of the build's programs (so that they start in
# place, under Wine too) and listed in QUORVIN_RUNTIME_DLLS for packaging.
include_guard(GLOBAL)

set(QUORVIN_RUNTIME_DLLS)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libgcc_s_sjlj-1.dll
             libwinpthread-1.dll)
    execute_process(
        COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
        OUTPUT_VARIABLE found
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE failed)
    # The compiler echoes a bare name back for a file that it does not have.
    if(NOT failed AND IS_ABSOLUTE "${found}" AND EXISTS "${found}")
        get_filename_component(found "${found}" REALPATH)
        list(APPEND QUORVIN_RUNTIME_DLLS "${found}")
    endif()
endforeach()
if(NOT QUORVIN_RUNTIME_DLLS MATCHES "libstdc\\+\\+-6\\.dll")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no libstdc++-6.dll to ship beside the programs")
endif()

if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    file(COPY ${QUORVIN_RUNTIME_DLLS} DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endif()
