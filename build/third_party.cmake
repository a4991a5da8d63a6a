# The header-only libraries of drives-report: CLI11 for the command line and
# nlohmann/json. They are found as headers, not as CMake packages: the
# packages name /usr/include, which must never reach a cross build's
# compiler. A folder of links in the build tree holds just these two.
find_path(DRIVES_CLI11_INCLUDE_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH)
find_path(DRIVES_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
if(NOT DRIVES_CLI11_INCLUDE_DIR OR NOT DRIVES_JSON_INCLUDE_DIR)
  message(FATAL_ERROR "drives-report needs the CLI11 and nlohmann/json headers"
                      " (Debian: libcli11-dev nlohmann-json3-dev)")
endif()

set(DRIVES_THIRD_PARTY_DIR ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${DRIVES_THIRD_PARTY_DIR})
file(CREATE_LINK ${DRIVES_CLI11_INCLUDE_DIR}/CLI ${DRIVES_THIRD_PARTY_DIR}/CLI
     SYMBOLIC)
file(CREATE_LINK ${DRIVES_JSON_INCLUDE_DIR}/nlohmann
     ${DRIVES_THIRD_PARTY_DIR}/nlohmann SYMBOLIC)

add_library(drives_third_party INTERFACE)
target_include_directories(drives_third_party SYSTEM INTERFACE
                           ${DRIVES_THIRD_PARTY_DIR})
