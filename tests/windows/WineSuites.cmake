# In a build for Windows made on Linux (make windows), every test program runs under Wine, as
# wine_<program> (tagmender_add_test), through wine-suite. One prefix and one Wine server serve
# them all, started and ended by the fixture tests wine_start and wine_stop. The programs find
# the Qt DLLs and the MinGW runtime through WINEPATH and the plugins through QT_PLUGIN_PATH, as
# wine-suite sets them from TAGMENDER_WINE_DLLS and TAGMENDER_WINE_PLUGINS.
find_program(TAGMENDER_WINE64 NAMES wine64 PATHS /usr/lib/wine)
if(NOT TAGMENDER_WINE64)
    message(STATUS "wine64 not found: the Windows build's tests are not run")
    return()
endif()

set(dlls ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_BINS})
foreach(runtime libstdc++-6.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${runtime}
        OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
    cmake_path(GET found PARENT_PATH folder)
    list(APPEND dlls ${folder})
endforeach()
list(JOIN dlls : dlls)
# The offscreen platform draws with the fonts of one folder; the Linux tests' DejaVu will do.
find_path(TAGMENDER_WINE_FONTS DejaVuSans.ttf PATHS /usr/share/fonts/truetype/dejavu
    NO_CMAKE_FIND_ROOT_PATH)

set(TAGMENDER_WINE_SUITE ${CMAKE_CURRENT_LIST_DIR}/wine-suite ${TAGMENDER_WINE64})
# Wine's debug channels stay quiet, and no Mono or Gecko installer is offered.
set(TAGMENDER_WINE_ENV WINEPREFIX=${CMAKE_BINARY_DIR}/tests/wineprefix WINEDEBUG=-all
    "WINEDLLOVERRIDES=mscoree,mshtml=" DISPLAY= WAYLAND_DISPLAY=
    TAGMENDER_WINE_DLLS=${dlls}
    TAGMENDER_WINE_PLUGINS=${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}
    TAGMENDER_WINE_FONTS=${TAGMENDER_WINE_FONTS})

foreach(step start stop)
    add_test(NAME wine_${step} COMMAND ${TAGMENDER_WINE_SUITE} --${step})
    set_tests_properties(wine_${step} PROPERTIES ENVIRONMENT "${TAGMENDER_WINE_ENV}" TIMEOUT 120)
endforeach()
set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine)
