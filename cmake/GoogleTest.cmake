# Native builds use Debian's packaged GoogleTest; the Windows build compiles it from
# Debian's googletest source package with the cross compiler.
if(CMAKE_CROSSCOMPILING)
    set(NORVESSA_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${NORVESSA_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
    find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# Registers a GoogleTest executable with CTest. Natively every case becomes its own CTest
# entry; under Wine one entry per executable, since listing cases would start Wine per build.
function(norvessa_add_gtest target)
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${target} COMMAND ${target})
    else()
        gtest_discover_tests(${target} DISCOVERY_TIMEOUT 30)
    endif()
endfunction()
