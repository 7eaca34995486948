# nlohmann-json for the mingw-w64 builds: the build machine's headers (see
# HostHeaderPackage.cmake).
include("${CMAKE_CURRENT_LIST_DIR}/HostHeaderPackage.cmake")
quorvin_host_header_package(nlohmann_json::nlohmann_json nlohmann)
