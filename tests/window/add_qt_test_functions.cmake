# SPDX-License-Identifier: GPL-3.0-or-later
# Included by ctest: adds one test per function of the Qt Test program
# QT_TEST_EXECUTABLE, named QT_TEST_CLASS.<function>, run offscreen (through
# QT_TEST_EMULATOR, such as wine, when that is set). The platform is given on
# the command line too: wine hands no QT_* variable on to Windows programs.
if(NOT EXISTS "${QT_TEST_EXECUTABLE}")
    add_test("${QT_TEST_CLASS}.NOT_BUILT" "${QT_TEST_EXECUTABLE}")
    return()
endif()

set(saved_platform "$ENV{QT_QPA_PLATFORM}")
set(ENV{QT_QPA_PLATFORM} offscreen)
execute_process(
    COMMAND ${QT_TEST_EMULATOR} "${QT_TEST_EXECUTABLE}" -platform offscreen -functions
    OUTPUT_VARIABLE listing
    RESULT_VARIABLE result
    ERROR_QUIET
    TIMEOUT 60)
set(ENV{QT_QPA_PLATFORM} "${saved_platform}")

if(NOT result EQUAL 0)
    add_test("${QT_TEST_CLASS}.NOT_LISTED" ${QT_TEST_EMULATOR} "${QT_TEST_EXECUTABLE}" -platform offscreen -functions)
    set_tests_properties("${QT_TEST_CLASS}.NOT_LISTED" PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    return()
endif()

string(REGEX MATCHALL "[A-Za-z_][A-Za-z0-9_]*\\(\\)" functions "${listing}")
foreach(function IN LISTS functions)
    string(REPLACE "()" "" function "${function}")
    add_test("${QT_TEST_CLASS}.${function}" ${QT_TEST_EMULATOR} "${QT_TEST_EXECUTABLE}" -platform offscreen
             "${function}")
    set_tests_properties("${QT_TEST_CLASS}.${function}" PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        TIMEOUT 120)
endforeach()
