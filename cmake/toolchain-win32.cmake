# 32-bit Windows (i686): runs on every Windows, 32- and 64-bit.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ZW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
