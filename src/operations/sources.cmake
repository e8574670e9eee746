target_sources(dspprog_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/startup.cpp
)
