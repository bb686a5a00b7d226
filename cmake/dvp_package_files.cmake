# Finds a file that a Debian package installed, by asking dpkg which files
# the package holds, so no system folder is written into the build:
#   dvp_find_package_file(<var> <package> <regex>)
# sets <var> (a cache entry, so a developer can point it elsewhere) to the
# first of the package's files whose path matches <regex>, or stops with a
# hint to run scripts/setup.sh.
function(dvp_find_package_file var package regex)
    if(${var} AND EXISTS "${${var}}")
        return()
    endif()
    execute_process(COMMAND dpkg-query -L ${package}
        OUTPUT_VARIABLE files RESULT_VARIABLE status ERROR_QUIET)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${package} is not installed: run scripts/setup.sh")
    endif()
    string(REPLACE "\n" ";" files "${files}")
    foreach(file IN LISTS files)
        if(file MATCHES "${regex}" AND NOT IS_DIRECTORY "${file}")
            set(${var} "${file}" CACHE FILEPATH "Found in the Debian package ${package}" FORCE)
            return()
        endif()
    endforeach()
    message(FATAL_ERROR "${package} holds no file matching ${regex}: run scripts/setup.sh")
endfunction()
