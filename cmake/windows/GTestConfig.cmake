# GoogleTest for the mingw-w64 builds, compiled from the sources of Debian's googletest package
# (there is no mingw build of it to link against). Offers the targets that the package's own
# configuration file offers.
if(NOT TARGET GTest::gtest_main)
    set(QUORVIN_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    if(NOT EXISTS "${QUORVIN_GTEST_SOURCE}/CMakeLists.txt")
        set(GTest_FOUND FALSE)
        set(GTest_NOT_FOUND_MESSAGE "no GoogleTest sources in ${QUORVIN_GTEST_SOURCE}")
        return()
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    # The test programs link the runtime dynamically, like the library.
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${QUORVIN_GTEST_SOURCE}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    foreach(lib gtest gtest_main gmock gmock_main)
        if(NOT TARGET GTest::${lib})
            add_library(GTest::${lib} ALIAS ${lib})
        endif()
    endforeach()
endif()
set(GTest_FOUND TRUE)
