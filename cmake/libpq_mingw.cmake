# SPDX-License-Identifier: GPL-3.0-or-later
# libpq for a cross-build to Windows: the static library scripts/libpq-mingw.sh
# builds from Debian's postgresql-15 source package, outside the source tree,
# with the port and common helpers it is linked with. When the cache holds it,
# the database stores are built, linking PostgreSQL::PostgreSQL as on Linux;
# without it the Windows build refuses a database address.
#
# Sets DSPPROG_LIBPQ_MINGW_FOUND.

include(${CMAKE_CURRENT_LIST_DIR}/dspprog_cache.cmake)
set(DSPPROG_LIBPQ_MINGW_DIR ${DSPPROG_CACHE_DIR}/libpq-mingw
    CACHE PATH "Directory of the static libpq built for the cross-build")

set(DSPPROG_LIBPQ_MINGW_FOUND FALSE)
# SOURCE is the last file the script writes: without it the library is partial.
if(EXISTS ${DSPPROG_LIBPQ_MINGW_DIR}/SOURCE AND EXISTS ${DSPPROG_LIBPQ_MINGW_DIR}/lib/libpq.a)
    set(DSPPROG_LIBPQ_MINGW_FOUND TRUE)
    set(_libpq_lib ${DSPPROG_LIBPQ_MINGW_DIR}/lib)
    add_library(PostgreSQL::PostgreSQL STATIC IMPORTED)
    # The helpers come after libpq, and the Windows libraries they call last.
    set_target_properties(PostgreSQL::PostgreSQL PROPERTIES
        IMPORTED_LOCATION ${_libpq_lib}/libpq.a
        INTERFACE_INCLUDE_DIRECTORIES ${DSPPROG_LIBPQ_MINGW_DIR}/include
        INTERFACE_LINK_LIBRARIES
            "${_libpq_lib}/libpgcommon_shlib.a;${_libpq_lib}/libpgport_shlib.a;ws2_32;secur32;shell32;advapi32")
endif()
