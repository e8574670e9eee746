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
# Each package's description starts with its own summary line; CPack would
# put a summary given here before every one of them.
set(DSPPROG_SUMMARY "host tool for a TMS320VC5509 USB chip programmer")
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

# The library and the Python module are packages of their own: the program
# is the install's unnamed component, as it always was.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified library development)
set(CPACK_DEBIAN_UNSPECIFIED_PACKAGE_NAME dspprog)
set(CPACK_DEBIAN_UNSPECIFIED_DESCRIPTION "${DSPPROG_SUMMARY}\n${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libdspprog0)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
# libdspprog.so.0's shlibs, the exported symbols with the version each
# appeared in (packaging/libdspprog0.symbols, checked by
# scripts/check-package.sh), and the ldconfig trigger (CPack adds maintainer
# scripts that call ldconfig as well: see lintian-overrides.libdspprog0).
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    ${CMAKE_BINARY_DIR}/packaging/libdspprog0/shlibs
    ${CMAKE_BINARY_DIR}/packaging/libdspprog0/symbols
    ${CMAKE_BINARY_DIR}/packaging/libdspprog0/triggers)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The chip catalogue is dspprog's; the library finds it where dspprog
# installs it.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_RECOMMENDS "dspprog (= ${PROJECT_VERSION})")
string(JOIN "\n" CPACK_DEBIAN_LIBRARY_DESCRIPTION
    "library driving a TMS320VC5509 USB chip programmer"
    "libdspprog drives the USB programmer for EPROM and flash memory chips"
    "whose firmware runs on a TMS320VC5509 DSP board, as dspprog-cli does:"
    "it identifies, reads, erases, writes and verifies chips, makes images"
    "(raw, Intel HEX, S-records) and has the programmer's emulator built in."
    ""
    "This package holds the shared library.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libdspprog-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libdspprog0 (= ${PROJECT_VERSION})")
string(JOIN "\n" CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "library driving a TMS320VC5509 USB chip programmer - development files"
    "libdspprog drives the USB programmer for EPROM and flash memory chips"
    "whose firmware runs on a TMS320VC5509 DSP board, as dspprog-cli does."
    ""
    "This package holds the C++ headers, the pkg-config file dspprog.pc and"
    "the CMake package dspprog.")
if(DSPPROG_BUILD_PYTHON)
    list(APPEND CPACK_COMPONENTS_ALL python)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-dspprog)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
    # dpkg-shlibdeps cannot see libdspprog0, which is made beside it: the
    # module's dependencies are written out. It is built for this Python
    # version alone.
    set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
    set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
        "libdspprog0 (= ${PROJECT_VERSION}), libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 12), python3 (>= ${Python_VERSION_MAJOR}.${Python_VERSION_MINOR}), python3 (<< ${Python_VERSION_MAJOR}.${DSPPROG_PYTHON_NEXT_MINOR})")
    string(JOIN "\n" CPACK_DEBIAN_PYTHON_DESCRIPTION
        "Python module driving a TMS320VC5509 USB chip programmer"
        "The module dspprog drives the USB programmer for EPROM and flash memory"
        "chips whose firmware runs on a TMS320VC5509 DSP board through"
        "libdspprog: identify, read, erase, write and verify chips, make images,"
        "run the built-in emulator.")
endif()

include(CPack)
