# The Windows Installer package of this tree's architecture,
# Zapwick-<version>-<arch>.msi (`make package` copies it beside the ZIPs):
# the ZIP's four files installed for the user who runs it, a Start menu
# shortcut, a start at log-on and an entry in Programs and Features. Built with
# wixl (msitools) from packaging/zapwick.wxs by packaging/build-msi.sh.
# Included from the top-level CMakeLists.txt after the CPack settings.
zapwick_find_build_tool(ZAPWICK_WIXL wixl)
if(NOT ZAPWICK_WIXL)
    message(STATUS "wixl not found: no Windows Installer package")
    return()
endif()
find_program(ZAPWICK_BASH bash REQUIRED)

# The package's own code (its Binary table, never installed): it asks a
# running Zapwick to close before files are replaced or removed.
add_library(installeractions MODULE packaging/InstallerActions.cpp)
set_target_properties(installeractions PROPERTIES
    PREFIX ""
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
target_link_libraries(installeractions PRIVATE zapwick_options msi psapi user32 kernel32)
# Undecorated export names (Windows Installer looks up "CloseRunningZapwick"),
# and only Windows' own DLLs imported.
target_link_options(installeractions PRIVATE -static -s -Wl,--kill-at -Wl,--gc-sections)

# The ZIP's files, as the install rules of the "Zapwick" component name them,
# then the icon of Programs and Features and the custom action DLL.
set(ZAPWICK_MSI_INPUTS
    $<TARGET_FILE:zapwick>
    ${CMAKE_BINARY_DIR}/bin/help.chm
    ${CMAKE_SOURCE_DIR}/packaging/README.txt
    ${CMAKE_BINARY_DIR}/packaging/LICENSE
    ${CMAKE_SOURCE_DIR}/src/res/zapwick.ico
    $<TARGET_FILE:installeractions>)
# The Makefile reads the name from the cache to copy the package.
set(ZAPWICK_MSI ${CMAKE_BINARY_DIR}/${CPACK_ARCHIVE_FILE_NAME}.msi
    CACHE INTERNAL "The Windows Installer package that `make package` copies")

set(zapwick_msi_targets zapwick installeractions)
if(TARGET zapwick_help)
    list(APPEND zapwick_msi_targets zapwick_help)
endif()
add_custom_command(
    OUTPUT ${ZAPWICK_MSI}
    COMMAND ${ZAPWICK_BASH} ${CMAKE_SOURCE_DIR}/packaging/build-msi.sh
        ${ZAPWICK_MSI} ${ZW_WINE_ARCH} ${PROJECT_VERSION} ${ZAPWICK_MSI_INPUTS}
    DEPENDS ${zapwick_msi_targets}
        ${CMAKE_SOURCE_DIR}/packaging/build-msi.sh
        ${CMAKE_SOURCE_DIR}/packaging/zapwick.wxs
        ${CMAKE_SOURCE_DIR}/packaging/README.txt
        ${CMAKE_BINARY_DIR}/packaging/LICENSE
        ${CMAKE_SOURCE_DIR}/src/res/zapwick.ico
        ${CMAKE_SOURCE_DIR}/src/res/MakerSite.h
    COMMENT "Building the Windows Installer package ${CPACK_ARCHIVE_FILE_NAME}.msi"
    VERBATIM)
add_custom_target(zapwick_msi DEPENDS ${ZAPWICK_MSI})

# Installs, upgrades and removes packages built by the same script under Wine,
# in this tree's prefix, and starts the installed program. A bash script on
# the build machine; it runs the Windows programs through wine-env.sh itself.
if(BUILD_TESTING)
    add_test(NAME Package.MsiInstallsUpgradesAndRemovesCleanly
        COMMAND ${ZAPWICK_BASH} ${CMAKE_SOURCE_DIR}/tests/package/MsiTest.sh
            ${PROJECT_VERSION} ${ZAPWICK_MSI_INPUTS})
    set_tests_properties(Package.MsiInstallsUpgradesAndRemovesCleanly PROPERTIES
        ENVIRONMENT "ZW_ARCH=${ZW_WINE_ARCH};ZW_BUILD_DIR=${CMAKE_BINARY_DIR}"
        RUN_SERIAL TRUE
        TIMEOUT 120)
endif()
