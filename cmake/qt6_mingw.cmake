# SPDX-License-Identifier: GPL-3.0-or-later
# Qt 6 for a cross-build to Windows: the shared libraries scripts/qt6-mingw.sh
# builds from Debian's qt6-base source package, outside the source tree. When
# the cache holds them, the window is built; without them the Windows build is
# the command line alone, as DSPPROG_BUILD_GUI=OFF makes it.
#
# Sets DSPPROG_QT_MINGW_FOUND, and defines dspprog_deploy_qt_runtime(target):
# the DLLs and plugins a Qt program needs beside its .exe to start, there in
# the build tree, so that wine (or Windows) runs it where it was built.

include(${CMAKE_CURRENT_LIST_DIR}/dspprog_cache.cmake)
set(DSPPROG_QT_MINGW_DIR ${DSPPROG_CACHE_DIR}/qt6-mingw
    CACHE PATH "Install prefix of Qt 6 built for the cross-build")

# SOURCE is the last file the script writes: without it the install is partial.
set(DSPPROG_QT_MINGW_FOUND FALSE)
if(EXISTS ${DSPPROG_QT_MINGW_DIR}/SOURCE
   AND EXISTS ${DSPPROG_QT_MINGW_DIR}/lib/cmake/Qt6/Qt6Config.cmake)
    set(DSPPROG_QT_MINGW_FOUND TRUE)
    # Packages are looked for below the find roots only (the toolchain's
    # MODE_PACKAGE ONLY): a CMAKE_PREFIX_PATH entry would be re-rooted and missed.
    list(APPEND CMAKE_FIND_ROOT_PATH ${DSPPROG_QT_MINGW_DIR})
    # moc, rcc and uic run on the build machine: the host's Qt of the same version.
    set(QT_HOST_PATH /usr CACHE PATH "Prefix of the host's Qt tools")
    file(GLOB host_qt_dirs /usr/lib/*/cmake/Qt6CoreTools)
    if(NOT host_qt_dirs)
        message(FATAL_ERROR "Qt for Windows is in ${DSPPROG_QT_MINGW_DIR}, but the host's Qt "
                            "tools are missing: install qt6-base-dev-tools")
    endif()
    list(GET host_qt_dirs 0 host_qt_dir)
    get_filename_component(host_qt_dir "${host_qt_dir}" DIRECTORY)
    set(QT_HOST_PATH_CMAKE_DIR ${host_qt_dir} CACHE PATH "CMake directory of the host's Qt")

    # This Qt is linked against the compiler's shared runtime, which the
    # programs themselves link statically: its DLLs go beside the Qt DLLs.
    set(DSPPROG_MINGW_RUNTIME_DLLS)
    # Qt's own texts in Russian, from the build machine's Debian package:
    # the window loads them from translations/ beside itself.
    find_file(DSPPROG_QTBASE_RU qtbase_ru.qm PATHS /usr/share/qt6/translations
              NO_CMAKE_FIND_ROOT_PATH NO_DEFAULT_PATH)
    if(NOT DSPPROG_QTBASE_RU)
        message(FATAL_ERROR "Qt's Russian texts (qtbase_ru.qm) are missing: "
                            "install qt6-translations-l10n")
    endif()

    foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT IS_ABSOLUTE "${found}" OR NOT EXISTS "${found}")
            message(FATAL_ERROR "The mingw runtime ${dll} that Qt needs was not found "
                                "by ${CMAKE_CXX_COMPILER}")
        endif()
        list(APPEND DSPPROG_MINGW_RUNTIME_DLLS ${found})
    endforeach()
endif()

# The plugin directories a Qt program loads from beside itself, each with the
# imported plugin targets that go there. The offscreen platform is for the
# tests and for runs without a display.
set(DSPPROG_QT_PLUGINS
    platforms|Qt6::QWindowsIntegrationPlugin
    platforms|Qt6::QOffscreenIntegrationPlugin
    styles|Qt6::QWindowsVistaStylePlugin)

function(dspprog_deploy_qt_runtime target)
    if(NOT DSPPROG_QT_MINGW_FOUND)
        return()
    endif()
    set(dir $<TARGET_FILE_DIR:${target}>)
    set(commands COMMAND ${CMAKE_COMMAND} -E copy_if_different
                         $<TARGET_RUNTIME_DLLS:${target}> ${DSPPROG_MINGW_RUNTIME_DLLS} ${dir})
    foreach(entry IN LISTS DSPPROG_QT_PLUGINS)
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 subdir)
        list(GET entry -1 plugin)
        if(TARGET ${plugin})
            list(APPEND commands
                 COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/${subdir}
                 COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${plugin}>
                         ${dir}/${subdir})
        endif()
    endforeach()
    list(APPEND commands COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}/translations
         COMMAND ${CMAKE_COMMAND} -E copy_if_different ${DSPPROG_QTBASE_RU} ${dir}/translations)
    add_custom_command(TARGET ${target} POST_BUILD ${commands} VERBATIM COMMAND_EXPAND_LISTS)
endfunction()

# The same files for an install: beside the programs in `bindir`.
function(dspprog_install_qt_runtime bindir)
    if(NOT DSPPROG_QT_MINGW_FOUND)
        return()
    endif()
    install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
                  ${DSPPROG_MINGW_RUNTIME_DLLS}
            DESTINATION ${bindir})
    install(FILES ${DSPPROG_QTBASE_RU} DESTINATION ${bindir}/translations)
    foreach(entry IN LISTS DSPPROG_QT_PLUGINS)
        string(REPLACE "|" ";" entry "${entry}")
        list(GET entry 0 subdir)
        list(GET entry -1 plugin)
        if(TARGET ${plugin})
            install(FILES $<TARGET_FILE:${plugin}> DESTINATION ${bindir}/${subdir})
        endif()
    endforeach()
endfunction()
