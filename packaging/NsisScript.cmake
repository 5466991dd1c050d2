# Read by CPack when it makes the Windows installer (CPACK_PROJECT_CONFIG_FILE): NSIS script
# text, written here because CPack's own configuration file would take its quotes and
# backslashes for CMake's.
#
# A 64-bit installer (Debian's NSIS has the amd64 stubs): it writes to the 64-bit "Program
# Files" and registry, and it runs where only 64-bit programs do (wine64). The uninstaller
# removes the registry key of the installation's settings but not the maker's key that holds
# it: that goes once the uninstall is done, when nothing else is in it.
if(CPACK_GENERATOR STREQUAL "NSIS")
    set(CPACK_NSIS_DEFINES "Target amd64-unicode
Function un.onUninstSuccess
  DeleteRegKey /ifempty SHCTX \"Software\\${CPACK_PACKAGE_VENDOR}\"
FunctionEnd")
endif()
