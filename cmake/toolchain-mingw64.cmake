# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (POSIX thread model, so
# std::thread and std::mutex work).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TOOLCHAIN_PREFIX x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${TOOLCHAIN_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOLCHAIN_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TOOLCHAIN_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOLCHAIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# The program ships as one statically linked .exe, and its size counts. Every function and
# object gets a section of its own so the linker can drop what nothing calls, and Release
# optimises for size: -O3 made the program almost a quarter larger, and nothing in it is
# bound by the processor. Cache entries, because CMake appends its own -O3 to any
# *_FLAGS_RELEASE_INIT.
set(CMAKE_C_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "-ffunction-sections -fdata-sections")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,--gc-sections")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG" CACHE STRING "Flags of the C compiler in Release builds")
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG"
    CACHE STRING "Flags of the C++ compiler in Release builds")
