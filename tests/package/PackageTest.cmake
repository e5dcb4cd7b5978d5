# Builds the distributed ZIP with CPack into a scratch folder and checks that
# it holds exactly zapwick.exe, help.chm, README.txt and LICENSE, at the top
# of the archive. Runs on the build machine:
#   cmake -DCPACK=<cpack> -DCPACK_CONFIG=<CPackConfig.cmake> -DSCRATCH=<dir> -P PackageTest.cmake
foreach(var CPACK CPACK_CONFIG SCRATCH)
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
message(STATUS "${archives} holds exactly: ${listing}")
file(REMOVE_RECURSE ${SCRATCH})
