# SPDX-License-Identifier: GPL-3.0-or-later
# SQLite for a cross-build that has no SQLite package for its target: the
# amalgamation (sqlite3.c, sqlite3.h) compiled into a static library that
# stands in for SQLite::SQLite3. scripts/sqlite-amalgamation.sh makes the
# amalgamation from Debian's source package, outside the source tree.

find_package(SQLite3 QUIET)
if(SQLite3_FOUND)
    return()
endif()

include(${CMAKE_CURRENT_LIST_DIR}/dspprog_cache.cmake)
set(DSPPROG_SQLITE_AMALGAMATION_DIR ${DSPPROG_CACHE_DIR}/sqlite-amalgamation
    CACHE PATH "Directory holding sqlite3.c and sqlite3.h for the cross-build")

if(NOT EXISTS ${DSPPROG_SQLITE_AMALGAMATION_DIR}/sqlite3.c
   OR NOT EXISTS ${DSPPROG_SQLITE_AMALGAMATION_DIR}/sqlite3.h)
    message(FATAL_ERROR
        "No SQLite for this target and no amalgamation in ${DSPPROG_SQLITE_AMALGAMATION_DIR}.\n"
        "Run scripts/install-deps.sh --windows (or scripts/sqlite-amalgamation.sh), or set "
        "DSPPROG_SQLITE_AMALGAMATION_DIR.")
endif()

add_library(dspprog_sqlite3 STATIC ${DSPPROG_SQLITE_AMALGAMATION_DIR}/sqlite3.c)
target_include_directories(dspprog_sqlite3 SYSTEM PUBLIC ${DSPPROG_SQLITE_AMALGAMATION_DIR})
# Nothing here loads extensions.
target_compile_definitions(dspprog_sqlite3 PRIVATE SQLITE_THREADSAFE=1 SQLITE_OMIT_LOAD_EXTENSION)
set_target_properties(dspprog_sqlite3 PROPERTIES C_VISIBILITY_PRESET hidden)
add_library(SQLite::SQLite3 ALIAS dspprog_sqlite3)
