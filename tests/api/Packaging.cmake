# Run by ctest (cmake -P): installs the build into a scratch prefix, then builds and runs the
# consumer against it through the CMake package and through pkg-config.
# Inputs: BUILD_DIR, WORK_DIR, CONSUMER_DIR, CXX, GENERATOR, MAKE_PROGRAM, LIBDIR, FLAGS.

include("${CMAKE_CURRENT_LIST_DIR}/Consumer.cmake")

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

foreach(component Quorvin Development)
    step("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --component ${component})
endforeach()

# A caller's include directory holds the public headers and nothing else.
file(GLOB_RECURSE headers RELATIVE "${prefix}/include" "${prefix}/include/*")
list(SORT headers)
set(public quorvin/Controller.h quorvin/DriverException.h quorvin/Export.h quorvin/Log.h
           quorvin/quorvin.h)
if(NOT headers STREQUAL public)
    message(FATAL_ERROR "installed headers: ${headers}; expected: ${public}")
endif()

build_consumers("${WORK_DIR}" "${prefix}" "${prefix}/${LIBDIR}")
