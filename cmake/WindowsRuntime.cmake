# The mingw-w64 C++ runtime DLLs that the library and every program of the build load: found
# through the compiler, copied into the folder of the build's programs (so that they start in
# place, under Wine too) without their debugging sections, and listed in QUORVIN_RUNTIME_DLLS
# (the copies) for packaging. The list is a cache entry: this file runs once, from whichever
# folder includes it first, and the list is needed in every other.
include_guard(GLOBAL)

if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
    set(runtime_dir "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
else()
    set(runtime_dir "${CMAKE_BINARY_DIR}/bin")
endif()

file(MAKE_DIRECTORY "${runtime_dir}")

set(runtime_dlls)
foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libgcc_s_dw2-1.dll libgcc_s_sjlj-1.dll
             libwinpthread-1.dll)
    execute_process(
        COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
        OUTPUT_VARIABLE found
        OUTPUT_STRIP_TRAILING_WHITESPACE
        RESULT_VARIABLE failed)
    # The compiler echoes a bare name back for a file that it does not have.
    if(failed OR NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
        continue()
    endif()
    set(copy "${runtime_dir}/${name}")
    if(NOT EXISTS "${copy}" OR "${found}" IS_NEWER_THAN "${copy}")
        file(COPY_FILE "${found}" "${copy}")
        # Debian's copies carry their debugging sections: 20 MB for libstdc++ alone.
        if(CMAKE_STRIP)
            execute_process(COMMAND "${CMAKE_STRIP}" --strip-debug "${copy}"
                            RESULT_VARIABLE failed)
            if(failed)
                message(FATAL_ERROR "${CMAKE_STRIP} could not strip ${copy}")
            endif()
        endif()
    endif()
    list(APPEND runtime_dlls "${copy}")
endforeach()
if(NOT runtime_dlls MATCHES "libstdc\\+\\+-6\\.dll")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} has no libstdc++-6.dll to ship beside the programs")
endif()
set(QUORVIN_RUNTIME_DLLS "${runtime_dlls}" CACHE INTERNAL "C++ runtime DLLs beside the programs")
