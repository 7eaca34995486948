# CLI11 for the mingw-w64 builds: the build machine's headers (see HostHeaderPackage.cmake).
include("${CMAKE_CURRENT_LIST_DIR}/HostHeaderPackage.cmake")
quorvin_host_header_package(CLI11::CLI11 CLI)
