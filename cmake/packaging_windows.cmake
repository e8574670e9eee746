# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer and zip. The layout is the install's: the programs,
# Qt's DLLs and plugins in bin\, the catalogue in share\dspprog\, where the
# programs look for it from bin\ (..\share\dspprog), the licence and a short
# README at the top.

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME dspprog)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "dspprog developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "host tool for a TMS320VC5509 USB chip programmer")
set(CPACK_PACKAGE_FILE_NAME dspprog-${PROJECT_VERSION}-win64)
set(CPACK_PACKAGE_INSTALL_DIRECTORY dspprog)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY dspprog)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
# The NSIS lines below carry backslashes and quotes as they are.
set(CPACK_VERBATIM_VARIABLES ON)

# A 64-bit installer into the 64-bit Program Files: the programs are 64-bit.
set(CPACK_NSIS_DEFINES "Target amd64-unicode")
set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
set(CPACK_NSIS_PACKAGE_NAME dspprog)
set(CPACK_NSIS_DISPLAY_NAME "dspprog ${PROJECT_VERSION}")
set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
# The installer notes its folder under Software\<vendor>\dspprog; the
# uninstaller removes that key, but would leave the vendor's key empty behind.
set(CPACK_NSIS_EXTRA_UNINSTALL_COMMANDS
    "DeleteRegKey SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\\${CPACK_PACKAGE_INSTALL_REGISTRY_KEY}\"
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"")
# The Start-menu entry opens the window; the command line needs a console.
if(DSPPROG_BUILD_GUI)
    set(CPACK_PACKAGE_EXECUTABLES dspprog "dspprog")
endif()

include(CPack)
