# Checks of a Windows build's deliverables as ctest tests: quorvin.dll's export table and
# Demo.exe's import table against the lists that the Linux tests read too, and the package's
# contents (with quorvin.exe and quorvin-doctor.exe, when the build has the command-line tool). They read built files with the build machine's tools and build nothing themselves,
# so every Windows build has them, also one configured without the test suite (the 32-bit
# deliverables' build, whose programs nothing here can run).
enable_testing()

set(check_dir "${CMAKE_CURRENT_LIST_DIR}")
# The build machine's c++filt: the export table names carry no leading underscore, which the
# 32-bit mingw c++filt expects on every symbol.
find_program(QUORVIN_CXXFILT NAMES c++filt ${QUORVIN_MINGW_TRIPLET}-c++filt REQUIRED)
set(check_binary
    "${CMAKE_COMMAND}" "-DOBJDUMP=${CMAKE_OBJDUMP}" "-DCXXFILT=${QUORVIN_CXXFILT}"
    -DRUNTIME=libstdc++-6.dll)
add_test(NAME windows_dll_exports
    COMMAND ${check_binary} -DBINARY=$<TARGET_FILE:quorvin> -DTABLE=exports
            "-DEXPECTED=${QUORVIN_ROOT}/tests/api/exports.txt"
            -P "${check_dir}/CheckBinary.cmake")
if(TARGET quorvin_demo_win32)
    add_test(NAME windows_demo_imports
        COMMAND ${check_binary} -DBINARY=$<TARGET_FILE:quorvin_demo_win32> -DTABLE=imports
                -DFROM=$<TARGET_FILE_NAME:quorvin>
                "-DEXPECTED=${QUORVIN_ROOT}/tests/demo/imports.txt"
                -P "${check_dir}/CheckBinary.cmake")

    # The 32-bit runtime unwinds with DWARF-2, the 64-bit one with SEH.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        set(gcc_runtime libgcc_s_dw2-1.dll)
    else()
        set(gcc_runtime libgcc_s_seh-1.dll)
    endif()
    set(programs $<TARGET_FILE_NAME:quorvin_demo_win32>)
    if(TARGET quorvin_cli)
        string(APPEND programs ",$<TARGET_FILE_NAME:quorvin_cli>,$<TARGET_FILE_NAME:quorvin-doctor>")
    endif()
    add_test(NAME windows_package
        COMMAND "${CMAKE_COMMAND}" "-DBUILD_DIR=${CMAKE_BINARY_DIR}" "-DCPACK=${CMAKE_CPACK_COMMAND}"
                "-DPACKAGE=${QUORVIN_PACKAGE_NAME}"
                "-DHEADERS_DIR=${QUORVIN_ROOT}/include/quorvin" "-DPROGRAMS=${programs}"
                "-DRUNTIME=libstdc++-6.dll,${gcc_runtime},libwinpthread-1.dll"
                "-DOBJDUMP=${CMAKE_OBJDUMP}" "-DSYSTEM_LIBS=${CMAKE_FIND_ROOT_PATH}/lib"
                -P "${check_dir}/CheckPackage.cmake")
    set_tests_properties(windows_package PROPERTIES LABELS packaging TIMEOUT 300)
endif()
