# The Debian package, built by `cpack -G DEB` in the build folder: ostrel_<version>_amd64.deb.
# Configure with -DCMAKE_INSTALL_PREFIX=/usr for it: the package installs to the prefix the build
# was configured for, and the Nemo action and the manual page name folders below it.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ostrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Ostrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "destroy files and folders beyond recovery")
set(CPACK_PACKAGE_DESCRIPTION
    "Ostrel destroys the files and folders given to it. Each file is moved under
a random name into a private holding folder, overwritten pass by pass (one
random pass, or the 3- and 7-pass patterns), flushed to the disk and deleted.
Folders are walked without following symbolic links or leaving their file
system. Whatever could not be destroyed is listed with the reason.
.
It has a small window of its own, a command line for scripts, and an entry
Shred with Ostrel in the context menus of Dolphin, Nemo, Nautilus and Thunar.")
set(OSTREL_MAINTAINER "The Ostrel developers <ostrel@users.noreply.example>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${OSTREL_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from dpkg-shlibdeps: the libraries the executables really link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/PackageChecks.cmake)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
include(CPack)
