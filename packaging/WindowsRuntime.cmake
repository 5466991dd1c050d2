# What the programs need beside them on Windows, so that the zip runs where it is unpacked and
# the installer's folder runs as it is: Qt's DLLs, the windows platform plugin and the native
# style, the compiler's runtime, and the licences that come with them. A cross build has no
# windeployqt (Debian's Qt tools have none), so the files are named here; Qt's own CMake
# packages say where each lies. tests/packaging starts the unpacked programs under Wine with
# nothing else at hand, so a file missing here fails there.
install(FILES $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>
    DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>
    DESTINATION ${CMAKE_INSTALL_BINDIR}/platforms)
# The native style: its plugin was renamed in Qt 6.7.
foreach(style Qt6::QWindowsVistaStylePlugin Qt6::QModernWindowsStylePlugin)
    if(TARGET ${style})
        install(FILES $<TARGET_FILE:${style}> DESTINATION ${CMAKE_INSTALL_BINDIR}/styles)
    endif()
endforeach()

install(FILES COPYRIGHT DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME COPYRIGHT.txt)

if(NOT MINGW)
    # MSVC: its C++ runtime, as Microsoft allows it to be shipped.
    set(CMAKE_INSTALL_SYSTEM_RUNTIME_DESTINATION ${CMAKE_INSTALL_BINDIR})
    include(InstallRequiredSystemLibraries)
    return()
endif()

# MinGW's runtime DLLs, from where the compiler itself finds them.
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT IS_ABSOLUTE "${path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} finds no ${dll} to ship with the programs")
    endif()
    install(FILES ${path} DESTINATION ${CMAKE_INSTALL_BINDIR})
endforeach()

# The licences of those libraries, as Debian's packages of their sources state them (the Qt for
# Windows of make windows is built from Debian's qt6-base source).
set(licences
    Qt.txt /usr/share/doc/libqt6core6/copyright
    GCC-runtime.txt /usr/share/doc/gcc-mingw-w64-x86-64-posix-runtime/copyright
    MinGW-w64.txt /usr/share/doc/mingw-w64-x86-64-dev/copyright
    LGPL-3.txt /usr/share/common-licenses/LGPL-3
    GPL-3.txt /usr/share/common-licenses/GPL-3
    GPL-2.txt /usr/share/common-licenses/GPL-2)
set(licence_dir ${CMAKE_INSTALL_BINDIR}/licenses)
install(FILES third-party-licences.txt DESTINATION ${licence_dir} RENAME README.txt)
while(licences)
    list(POP_FRONT licences name source)
    if(NOT EXISTS ${source})
        message(WARNING "${source} is missing: the Windows packages lack licenses/${name}")
        continue()
    endif()
    install(FILES ${source} DESTINATION ${licence_dir} RENAME ${name})
endwhile()
