// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup/library_versions.h"

#include <sqlite3.h>
#include <zlib.h>

#ifdef DSPPROG_HAVE_LIBUSB
#include <libusb.h>
#endif
#ifndef _WIN32
#include <openssl/crypto.h>
#endif
#ifdef DSPPROG_PARADOX
#include "catalogue/pxlib.h"
#endif

namespace dspprog {

const char* ProgramVersion() {
    return DSPPROG_VERSION;
}

std::vector<LibraryVersion> LinkedLibraries() {
    std::vector<LibraryVersion> libraries;
#ifdef DSPPROG_HAVE_LIBUSB
    const libusb_version* usb = libusb_get_version();
    libraries.push_back({"libusb", std::to_string(usb->major) + '.' + std::to_string(usb->minor) +
                                       '.' + std::to_string(usb->micro)});
#endif
    libraries.push_back({"SQLite", sqlite3_libversion()});
    libraries.push_back({"zlib", zlibVersion()});
#ifndef _WIN32
    libraries.push_back({"OpenSSL", OpenSSL_version(OPENSSL_VERSION_STRING)});
#endif
#ifdef DSPPROG_PARADOX
    libraries.push_back({"pxlib", std::to_string(PX_get_majorversion()) + '.' +
                                      std::to_string(PX_get_minorversion()) + '.' +
                                      std::to_string(PX_get_subminorversion())});
#endif
    return libraries;
}

}  // namespace dspprog
