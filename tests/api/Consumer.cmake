# Shared by the scripts that check an installed tree (Packaging.cmake, DebianPackages.cmake).
# They set CONSUMER_DIR, CXX, GENERATOR, MAKE_PROGRAM and FLAGS before including this file.

# Runs a command; fails the script with its output when it fails. Leaves the output in
# step_output.
function(step)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT rc EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed (${rc}): ${command}\n${out}")
    endif()
    message(STATUS "ok: ${ARGV0} ${ARGV1}")
    set(step_output "${out}" PARENT_SCOPE)
endfunction()

function(expect what text pattern)
    if(NOT text MATCHES "${pattern}")
        message(FATAL_ERROR "${what}: '${text}' does not match '${pattern}'")
    endif()
endfunction()

# Builds the consumer in <work> against the tree at <prefix> (library in <libdir>), once through
# the CMake package and once through pkg-config, and runs both builds with that library.
#   build_consumers(<work> <prefix> <libdir> [<pkg-config system root>])
function(build_consumers work prefix libdir)
    separate_arguments(flags UNIX_COMMAND "${FLAGS}")
    set(run "${CMAKE_COMMAND}" -E env "LD_LIBRARY_PATH=${libdir}")

    set(cmake_build "${work}/cmake")
    set(generator_args -G "${GENERATOR}")
    if(MAKE_PROGRAM)
        list(APPEND generator_args "-DCMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
    endif()
    step("${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${cmake_build}" ${generator_args}
         "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_PREFIX_PATH=${prefix}"
         "-DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF"
         "-DCMAKE_CXX_FLAGS=${FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${FLAGS}")
    file(STRINGS "${cmake_build}/CMakeCache.txt" found REGEX "^Quorvin_DIR:")
    expect("the package found" "${found}" "=${prefix}/")
    step("${CMAKE_COMMAND}" --build "${cmake_build}")
    step(${run} "${cmake_build}/quorvin_consumer")

    # The pkg-config file finds its prefix from its own place, so the search path is all it
    # needs (a system root given as the optional fourth argument must not be added twice); the
    # flags it gives must lead into the tree.
    find_program(PKG_CONFIG pkg-config REQUIRED)
    set(pc_env "PKG_CONFIG_LIBDIR=${libdir}/pkgconfig")
    if(ARGC GREATER 3)
        list(APPEND pc_env "PKG_CONFIG_SYSROOT_DIR=${ARGV3}")
    endif()
    step("${CMAKE_COMMAND}" -E env ${pc_env} "${PKG_CONFIG}" --cflags --libs quorvin)
    string(STRIP "${step_output}" pc_flags)
    if(NOT pc_flags MATCHES "^-I([^ ]+) -L([^ ]+) -lquorvin$")
        message(FATAL_ERROR "pkg-config flags: ${pc_flags}")
    endif()
    get_filename_component(pc_include "${CMAKE_MATCH_1}" ABSOLUTE)
    get_filename_component(pc_libdir "${CMAKE_MATCH_2}" ABSOLUTE)
    expect("pkg-config include directory" "${pc_include}" "^${prefix}/include$")
    expect("pkg-config library directory" "${pc_libdir}" "^${libdir}$")
    separate_arguments(pc_flags UNIX_COMMAND "${pc_flags}")
    set(pc_exe "${work}/pkgconfig/quorvin_consumer")
    file(MAKE_DIRECTORY "${work}/pkgconfig")
    step("${CXX}" -std=c++17 ${flags} "${CONSUMER_DIR}/main.cpp" ${pc_flags} -o "${pc_exe}")
    step(${run} "${pc_exe}")
endfunction()
