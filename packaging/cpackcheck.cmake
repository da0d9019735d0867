# Read by cpack before it packs: a Debian package installs into /usr, and the manual pages in it
# name the paths of the prefix the build was configured with, so the two must agree.
if(NOT CPACK_KAVRIS_CONFIGURED_PREFIX STREQUAL CPACK_PACKAGING_INSTALL_PREFIX)
    message(FATAL_ERROR "The build is configured for ${CPACK_KAVRIS_CONFIGURED_PREFIX}; configure "
                        "it with -DCMAKE_INSTALL_PREFIX=${CPACK_PACKAGING_INSTALL_PREFIX} to pack "
                        "it (scripts/package.sh does).")
endif()
