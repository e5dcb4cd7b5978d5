# Builds the distributed ZIP with CPack into a scratch folder and checks that
# it holds exactly zapwick.exe, help.chm, README.txt and LICENSE, at the top
# of the archive, and that its program is built for the archive's Windows
# (ARCH win32: an i386 executable; win64: an x86-64 one). Runs on the build
# machine:
#   cmake -DCPACK=<cpack> -DCPACK_CONFIG=<CPackConfig.cmake> -DSCRATCH=<dir>
#         -DARCH=win32|win64 -P PackageTest.cmake
foreach(var CPACK CPACK_CONFIG SCRATCH ARCH)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "PackageTest.cmake: -D${var}=... is missing")
    endif()
endforeach()

file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH})
execute_process(
    COMMAND ${CPACK} --config ${CPACK_CONFIG} -B ${SCRATCH}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()

file(GLOB archives LIST_DIRECTORIES false ${SCRATCH}/*.zip)
list(LENGTH archives count)
if(NOT count EQUAL 1)
    message(FATAL_ERROR "expected one ZIP in ${SCRATCH}, found ${count}: ${archives}\n${output}")
endif()

# One name a line, directories with a trailing slash.
execute_process(
    COMMAND ${CMAKE_COMMAND} -E tar tf ${archives}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cannot list ${archives} (${result}): ${errors}")
endif()
string(REGEX REPLACE "\r?\n$" "" listing "${listing}")
string(REGEX REPLACE "\r?\n" ";" entries "${listing}")
list(SORT entries)
set(expected LICENSE README.txt help.chm zapwick.exe)
list(SORT expected)
if(NOT entries STREQUAL expected)
    list(JOIN entries "\n  " got)
    list(JOIN expected "\n  " want)
    message(FATAL_ERROR "${archives} holds:\n  ${got}\nexpected exactly:\n  ${want}")
endif()
if(NOT archives MATCHES "-${ARCH}\\.zip$")
    message(FATAL_ERROR "${archives} is not named for ${ARCH}")
endif()
message(STATUS "${archives} holds exactly: ${listing}")

# The machine field of the executable's PE header: the 16-bit value after the
# "PE\0\0" signature, whose offset the DOS header keeps at 0x3C.
file(MAKE_DIRECTORY ${SCRATCH}/unpacked)
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${archives} zapwick.exe
    WORKING_DIRECTORY ${SCRATCH}/unpacked RESULT_VARIABLE result)
set(exe ${SCRATCH}/unpacked/zapwick.exe)
if(NOT result EQUAL 0 OR NOT EXISTS ${exe})
    message(FATAL_ERROR "cannot unpack zapwick.exe from ${archives}")
endif()
file(READ ${exe} pe_offset_hex OFFSET 60 LIMIT 4 HEX)
string(REGEX REPLACE "(..)(..)(..)(..)" "\\4\\3\\2\\1" pe_offset_hex "${pe_offset_hex}")
math(EXPR pe_offset "0x${pe_offset_hex}")
file(READ ${exe} header_hex OFFSET ${pe_offset} LIMIT 6 HEX)
set(machines_win32 504500004c01)  # "PE\0\0", IMAGE_FILE_MACHINE_I386
set(machines_win64 504500006486)  # "PE\0\0", IMAGE_FILE_MACHINE_AMD64
if(NOT header_hex STREQUAL machines_${ARCH})
    message(FATAL_ERROR "zapwick.exe in ${archives} has the PE header ${header_hex}, "
        "not that of a ${ARCH} program (${machines_${ARCH}})")
endif()
message(STATUS "zapwick.exe in ${archives} is a ${ARCH} program")
file(REMOVE_RECURSE ${SCRATCH})
