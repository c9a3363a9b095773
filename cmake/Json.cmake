# nlohmann/json, header-only (Debian's nlohmann-json3-dev), for both builds. The cross build
# must not see the host's /usr/include as a whole, so the headers are staged into the build
# tree and only that copy is put on the include path.
find_path(NORVESSA_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
set(NORVESSA_JSON_STAGED ${CMAKE_BINARY_DIR}/third_party/include)
file(COPY ${NORVESSA_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${NORVESSA_JSON_STAGED})
add_library(norvessa_json INTERFACE)
target_include_directories(norvessa_json SYSTEM INTERFACE ${NORVESSA_JSON_STAGED})
