# Run by ctest (cmake -P): installs the build into a scratch prefix, then builds and runs the
# consumer against it through the CMake package and through pkg-config.
# Inputs: BUILD_DIR, WORK_DIR, CONSUMER_DIR, CXX, GENERATOR, MAKE_PROGRAM, LIBDIR, FLAGS.

function(step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed (${rc}): ${command}\n${out}")
    endif()
    message(STATUS "ok: ${ARGV0}")
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
separate_arguments(flags UNIX_COMMAND "${FLAGS}")

step("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --component Quorvin)

# A caller's include directory holds the public headers and nothing else.
file(GLOB_RECURSE headers RELATIVE "${prefix}/include" "${prefix}/include/*")
list(SORT headers)
set(public quorvin/Controller.h quorvin/DriverException.h quorvin/Export.h quorvin/Log.h)
if(NOT headers STREQUAL public)
    message(FATAL_ERROR "installed headers: ${headers}; expected: ${public}")
endif()

# Through the CMake package.
set(cmake_build "${WORK_DIR}/cmake")
set(generator_args -G "${GENERATOR}")
if(MAKE_PROGRAM)
    list(APPEND generator_args "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
endif()
step("${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${cmake_build}" ${generator_args}
     "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}"
     "-DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF"
     "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
file(STRINGS "${cmake_build}/CMakeCache.txt" found REGEX "^Quorvin_DIR:")
if(NOT found MATCHES "=${prefix}/")
    message(FATAL_ERROR "the package was not found in the scratch prefix: ${found}")
endif()
step("${CMAKE_COMMAND}" --build "${cmake_build}")
step("${cmake_build}/quorvin_consumer")

# Through pkg-config.
find_program(PKG_CONFIG pkg-config REQUIRED)
set(pc_path "${prefix}/${LIBDIR}/pkgconfig")
execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env "PKG_CONFIG_PATH=${pc_path}"
            "${PKG_CONFIG}" --cflags --libs quorvin
    RESULT_VARIABLE rc OUTPUT_VARIABLE pc_flags ERROR_VARIABLE pc_error
    OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "pkg-config found no quorvin in ${pc_path}: ${pc_error}")
endif()
separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
set(pc_exe "${WORK_DIR}/pkgconfig/quorvin_consumer")
file(MAKE_DIRECTORY "${WORK_DIR}/pkgconfig")
step("${CXX}" -std=c++17 ${flags} "${CONSUMER_DIR}/main.cpp" ${pc_flags} -o "${pc_exe}")
step("${CMAKE_COMMAND}" -E env "LD_LIBRARY_PATH=${prefix}/${LIBDIR}" "${pc_exe}")
