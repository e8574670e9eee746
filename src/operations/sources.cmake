# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(dspprog_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/button_operation.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/chip_image.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/erase_chip.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/identify.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/image_choice.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/image_encoder.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/image_file.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/image_format.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/image_input.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/intel_hex.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/locale_separator.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/no_replace_move.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/read_chip.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/record_text.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/speed_test.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/srecord.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/startup.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/verify_chip.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/wide_path.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/operations/write_chip.cpp
)
