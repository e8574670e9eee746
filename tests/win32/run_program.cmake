# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a program of the build under the emulator and checks its exit status
# and its whole standard error, line by line. ctest's regular expressions
# cannot check the exit status as well, and a fatal stop is both.
#   -DEMULATOR=... -DPROGRAM=... "-DARGS=a b c" -DEXPECTED_EXIT=N
#   -DEXPECTED_STDERR=line|line|   (lines joined by '|', CR LF read as one end of line)
# WINEDLLOVERRIDES, when given, is passed on to wine.
if(DEFINED WINEDLLOVERRIDES)
    set(ENV{WINEDLLOVERRIDES} "${WINEDLLOVERRIDES}")
endif()
separate_arguments(args UNIX_COMMAND "${ARGS}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${args}
                INPUT_FILE /dev/null
                RESULT_VARIABLE status
                OUTPUT_QUIET
                ERROR_VARIABLE stderr)
string(REPLACE "\r" "" stderr "${stderr}")
string(REPLACE "\n" "|" stderr "${stderr}")
if(NOT status STREQUAL EXPECTED_EXIT OR NOT stderr STREQUAL EXPECTED_STDERR)
    message(FATAL_ERROR "exit status ${status} (expected ${EXPECTED_EXIT})\n"
                        "standard error: ${stderr}\n"
                        "expected:       ${EXPECTED_STDERR}")
endif()
