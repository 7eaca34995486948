# 32-bit Windows, the deliverables' platform:
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
# No 32-bit Wine on the build machine: this build is compiled and packaged, not run.
set(QUORVIN_MINGW_TRIPLET i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include("${CMAKE_CURRENT_LIST_DIR}/WindowsToolchain.cmake")
