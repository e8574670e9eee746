# SPDX-License-Identifier: GPL-3.0-or-later
# The chip catalogue: the lookup and the readers of chips.db.
target_sources(dspprog_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/catalogue_export.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/chip_table_factory.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/loaded_chip_table.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/lookup.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/number_text.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/sqlite_chip_table.cpp
)
# The legacy catalogue format, read through pxlib where the platform has it.
if(DSPPROG_PARADOX)
    target_sources(dspprog_core PRIVATE
        ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/code_page_text.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/paradox_chip_table.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/paradox_field_text.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/paradox_image_check.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/paradox_table.cpp
    )
    target_compile_definitions(dspprog_core PUBLIC DSPPROG_PARADOX=1)
    target_link_libraries(dspprog_core PUBLIC PkgConfig::PXLIB)
endif()

# Where a run finds its catalogue. The installed one is found relative to the
# program, by the way from the install's bindir to its datadir, so that an
# installation works from whatever root it is unpacked into.
include(GNUInstallDirs)
target_sources(dspprog_core PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/catalogue_location.cpp)
file(RELATIVE_PATH DSPPROG_DATADIR_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR})
set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/catalogue_location.cpp APPEND PROPERTY
             COMPILE_DEFINITIONS DSPPROG_DATADIR_FROM_BINDIR="${DSPPROG_DATADIR_FROM_BINDIR}")
