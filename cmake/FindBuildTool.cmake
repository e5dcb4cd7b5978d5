# zapwick_find_build_tool(VAR NAME): the build machine's program NAME, in VAR.
# The Linux set-up installs every such tool, so there a missing one is an
# error; on Windows it may be missing, VAR is then false, and the caller builds
# without what the tool makes.
function(zapwick_find_build_tool var name)
    if(CMAKE_HOST_WIN32)
        find_program(${var} ${name})
    else()
        find_program(${var} ${name} REQUIRED)
    endif()
endfunction()
