# SPDX-License-Identifier: GPL-3.0-or-later
# The packages `--target package` makes, each holding exactly what
# `cmake --install` installs:
# - Linux: the Debian package dspprog_<version>_<arch>.deb (below /usr), with
#   Depends worked out by dpkg-shlibdeps from the libraries the programs link;
# - Windows: an installer dspprog-<version>-win64.exe (NSIS: makensis, which
#   Debian's nsis package has too) and a .zip of the same files.

# Directories the install creates, whatever the umask of whoever builds.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/packaging_windows.cmake)
    return()
endif()
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

# A stand-in address until the project has one that takes mail (lintian
# refuses .local hosts; .invalid is reserved for exactly this).
set(DSPPROG_MAINTAINER "dspprog developers <dev@dspprog.invalid>"
    CACHE STRING "The Debian package's maintainer, \"Name <address>\"")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dspprog)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "dspprog developers")
set(CPACK_PACKAGE_CONTACT "${DSPPROG_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host tool for a TMS320VC5509 USB chip programmer")
# Debian's extended description: lines of at most 80 columns, kept as written.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "dspprog drives a USB programmer for EPROM and flash memory chips whose"
    "firmware runs on a TMS320VC5509 DSP board. It identifies the chip in the"
    "socket from its catalogue, reads it to an image file (raw, Intel HEX or"
    "S-records), erases it, writes an image and verifies every byte, and"
    "measures the programmer's speed."
    ""
    "The package holds the operator's window dspprog (Qt 6), the command-line"
    "tool dspprog-cli for scripts, the chip catalogue, and a udev rule that"
    "lets the user at the seat open the programmer. A built-in emulator of the"
    "programmer lets both programs run without hardware.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DSPPROG_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window's file dialogs and message boxes speak Russian with Qt's own
# translations.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")

include(CPack)
