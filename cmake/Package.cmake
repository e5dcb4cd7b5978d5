# What `make package` needs of this tree (packaging/package.sh does the rest):
# the installer's own DLL, and package-inputs.sh, which names the package,
# the version and the files. Included from the top-level CMakeLists.txt.
zapwick_find_build_tool(ZAPWICK_WIXL wixl)
if(NOT ZAPWICK_WIXL)
    message(STATUS "wixl not found: no Windows Installer package")
    return()
endif()

# The package's own code (its Binary table, never installed): it asks a
# running Zapwick to close before files are replaced or removed, and forgets
# the user's start-up choice at removal.
add_library(installeractions MODULE packaging/InstallerActions.cpp packaging/InstallerLog.cpp
    packaging/RunningCopies.cpp packaging/ExplorerStart.cpp src/framework/AdminSettings.cpp)
set_target_properties(installeractions PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(installeractions PRIVATE zapwick_options msi psapi user32 kernel32 advapi32
    shlwapi ole32 oleaut32 uuid)
# Undecorated export names (Windows Installer looks up "CloseRunningZapwick"),
# and only Windows' own DLLs imported.
target_link_options(installeractions PRIVATE -static -s -Wl,--kill-at -Wl,--gc-sections)

# Sourced by packaging/package.sh and the package tests: the files in the
# order that packaging/build-msi.sh takes them.
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/packaging/package-inputs.sh CONTENT
"package_name=Zapwick-${ZW_DISPLAY_VERSION}-${ZW_WINE_ARCH}
version=${PROJECT_VERSION}
arch=${ZW_WINE_ARCH}
files=($<TARGET_FILE:zapwick> ${CMAKE_BINARY_DIR}/bin/help.chm ${CMAKE_BINARY_DIR}/packaging/README.txt ${CMAKE_BINARY_DIR}/packaging/LICENSE)
icon=${CMAKE_SOURCE_DIR}/src/res/zapwick.ico
actions=$<TARGET_FILE:installeractions>
")
