# Read by cpack before it makes a package: a Debian package needs dpkg-shlibdeps (dpkg-dev)
# for its library dependencies, and one made without them would install a game that cannot run.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_DEBIAN_PACKAGE_SHLIBDEPS)
    find_program(KAZAMINA_DPKG_SHLIBDEPS dpkg-shlibdeps)
    if(NOT KAZAMINA_DPKG_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps not found: install dpkg-dev "
                            "(sudo apt install dpkg-dev) and run cpack again")
    endif()
endif()
