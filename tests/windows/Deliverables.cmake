# Checks of a Windows build's deliverables as ctest tests: quorvin.dll's export table and
# Demo.exe's import table against the lists that the Linux tests read too, and the package's
# contents (with quorvin.exe, quorvin-doctor.exe and quorvin-hub.exe, when the build has them).
# They read built files with the build machine's tools and build nothing themselves, so every
# Windows build has them, also one configured without the test suite (the 32-bit
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
# quorvin-c.dll: exactly the functions of its .def exported, and no DLL loaded but Windows' own
# (the C++ runtime is inside it), so that a program of any compiler needs it alone.
set(c_interface_files)
if(TARGET quorvin_c)
    add_test(NAME windows_c_dll_tables
        COMMAND "${CMAKE_COMMAND}" "-DOBJDUMP=${CMAKE_OBJDUMP}" -DBINARY=$<TARGET_FILE:quorvin_c>
                "-DDEFINITIONS=${QUORVIN_ROOT}/capi/quorvin-c.def"
                "-DSYSTEM_LIBS=${CMAKE_FIND_ROOT_PATH}/lib"
                -P "${check_dir}/CheckCLibrary.cmake")
    set(c_interface_files "bin/quorvin-c.dll,lib/quorvin-c.lib,lib/libquorvin-c.dll.a")
    string(APPEND c_interface_files ",python/quorvin/__init__.py,python/quorvin/_operations.py")
endif()

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
    if(TARGET quorvin-hub)
        string(APPEND programs ",$<TARGET_FILE_NAME:quorvin-hub>")
    endif()
    add_test(NAME windows_package
        COMMAND "${CMAKE_COMMAND}" "-DBUILD_DIR=${CMAKE_BINARY_DIR}" "-DCPACK=${CMAKE_CPACK_COMMAND}"
                "-DPACKAGE=${QUORVIN_PACKAGE_NAME}"
                "-DHEADERS_DIR=${QUORVIN_ROOT}/include/quorvin" "-DPROGRAMS=${programs}"
                "-DRUNTIME=libstdc++-6.dll,${gcc_runtime},libwinpthread-1.dll"
                "-DOBJDUMP=${CMAKE_OBJDUMP}" "-DSYSTEM_LIBS=${CMAKE_FIND_ROOT_PATH}/lib"
                "-DEXTRA=${c_interface_files}"
                -P "${check_dir}/CheckPackage.cmake")
    set_tests_properties(windows_package PROPERTIES LABELS packaging TIMEOUT 300)
endif()
