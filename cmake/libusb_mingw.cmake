# SPDX-License-Identifier: GPL-3.0-or-later
# libusb-1.0 for a cross-build to Windows: the target's own, where its
# pkg-config directory has one, else the static library that
# scripts/libusb-mingw.sh builds from Debian's source package, outside the
# source tree. Either way the libusb backend links PkgConfig::LIBUSB.

find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
    pkg_check_modules(LIBUSB QUIET IMPORTED_TARGET libusb-1.0)
    if(TARGET PkgConfig::LIBUSB)
        return()
    endif()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/dspprog_cache.cmake)
set(DSPPROG_LIBUSB_MINGW_DIR ${DSPPROG_CACHE_DIR}/libusb-mingw
    CACHE PATH "Install prefix of the static libusb-1.0 for the cross-build")

set(_libusb_library ${DSPPROG_LIBUSB_MINGW_DIR}/lib/libusb-1.0.a)
set(_libusb_include ${DSPPROG_LIBUSB_MINGW_DIR}/include/libusb-1.0)
if(NOT EXISTS ${_libusb_library} OR NOT EXISTS ${_libusb_include}/libusb.h)
    message(FATAL_ERROR
        "No libusb-1.0 for this target in ${DSPPROG_LIBUSB_MINGW_DIR}.\n"
        "Run scripts/install-deps.sh --windows (or scripts/libusb-mingw.sh), set "
        "DSPPROG_LIBUSB_MINGW_DIR, or configure with -DDSPPROG_BUILD_USB=OFF.")
endif()

# The pkg-config file of this build lists no private libraries: on Windows
# libusb loads the system DLLs it needs (WinUSB, SetupAPI, ...) at run time.
add_library(PkgConfig::LIBUSB STATIC IMPORTED)
set_target_properties(PkgConfig::LIBUSB PROPERTIES
    IMPORTED_LOCATION ${_libusb_library}
    INTERFACE_INCLUDE_DIRECTORIES ${_libusb_include})
