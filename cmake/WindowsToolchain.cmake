# Shared part of the two mingw-w64 toolchain files; QUORVIN_MINGW_TRIPLET names the target.
#
# The POSIX-threads variant of the compilers is the one whose libstdc++ has std::thread. The C++
# runtime is linked dynamically: quorvin.dll and Demo.exe pass std::string and DriverException
# between them, which is only sound when both use one copy of libstdc++ (the build places
# libstdc++-6.dll, libgcc_s and libwinpthread beside them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${QUORVIN_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QUORVIN_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QUORVIN_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QUORVIN_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Windows finds a program's DLLs beside it and on PATH only, so every program and DLL of the
# build goes into one folder, with the C++ runtime copied next to them.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bin")

# No GoogleTest is packaged for mingw: tests build it from Debian's sources (GTestConfig.cmake
# in cmake/windows does that when find_package(GTest) asks for it).
set(GTest_DIR "${CMAKE_CURRENT_LIST_DIR}/windows" CACHE PATH "GoogleTest built from source")
# The command-line tool's header-only libraries are the build machine's (cmake/windows).
set(CLI11_DIR "${CMAKE_CURRENT_LIST_DIR}/windows" CACHE PATH "CLI11 headers of the build machine")
set(nlohmann_json_DIR "${CMAKE_CURRENT_LIST_DIR}/windows" CACHE PATH
    "nlohmann-json headers of the build machine")
