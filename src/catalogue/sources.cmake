# The chip catalogue: the lookup and the readers of chips.db.
target_sources(dspprog_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/chip_table_factory.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/lookup.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/catalogue/sqlite_chip_table.cpp
)
