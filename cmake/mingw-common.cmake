# Cross-compiles for Windows with MinGW-w64; included by the toolchain file of
# each architecture, which sets ZW_TRIPLET first. The -posix compilers carry
# the threading support (std::mutex) that GoogleTest needs.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${ZW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ZW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
