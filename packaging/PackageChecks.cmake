# Read by cpack before it packages: a Debian package built without the tools below would be
# wrong without anyone noticing (cpack only warns and leaves Depends empty), so the build stops.
if(CPACK_GENERATOR STREQUAL "DEB")
    foreach(tool dpkg-shlibdeps file)
        find_program(OSTREL_TOOL_${tool} ${tool})
        if(NOT OSTREL_TOOL_${tool})
            message(FATAL_ERROR "The Debian package needs '${tool}' (Depends are found by "
                                "dpkg-shlibdeps, which needs 'file'): run scripts/setup.sh "
                                "--package, or apt-get install dpkg-dev file")
        endif()
    endforeach()
endif()
