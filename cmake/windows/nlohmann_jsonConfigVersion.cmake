include("${CMAKE_CURRENT_LIST_DIR}/HostHeaderPackage.cmake")
quorvin_host_header_version(/usr/share/cmake/nlohmann_json/nlohmann_jsonConfigVersion.cmake)
