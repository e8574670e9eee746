# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(dspprog_core PRIVATE
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/emulated_link.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/emulated_programmer.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/faults.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/firmware.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/pipe_role.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/virtual_chip.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/emulator/wire_block.cpp
)
