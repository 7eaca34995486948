# 64-bit Windows, built from the same sources and options as the 32-bit deliverables so that
# its test run under wine64 vouches for both:
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-x86_64-w64-mingw32.cmake
set(QUORVIN_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include("${CMAKE_CURRENT_LIST_DIR}/WindowsToolchain.cmake")

# ctest runs the Windows programs under wine64, in a Wine prefix of the build's own.
find_program(QUORVIN_WINE64 NAMES wine64 PATHS /usr/lib/wine /usr/lib64/wine NO_DEFAULT_PATH)
find_program(QUORVIN_WINE64 NAMES wine64)
if(QUORVIN_WINE64)
    # Mono and Gecko are left out: nothing here needs them, and their installers would stop
    # the prefix's creation to ask.
    set(QUORVIN_WINE_PREFIX "${CMAKE_BINARY_DIR}/wine")
    set(CMAKE_CROSSCOMPILING_EMULATOR
        /usr/bin/env WINEDEBUG=-all "WINEPREFIX=${QUORVIN_WINE_PREFIX}"
        "WINEDLLOVERRIDES=mscoree,mshtml=" ${QUORVIN_WINE64})
endif()
