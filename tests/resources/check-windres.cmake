# Compiles resources/tagmender.rc with MinGW's windres, as a Windows build would, then
# decompiles the result and checks that the icon group and the version block came through.
#   cmake -DWINDRES=... -DRC=.../tagmender.rc -DOUT=dir [-DPREPROCESSOR=c++] -P check-windres.cmake
foreach(var WINDRES RC OUT)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "check-windres.cmake needs -D${var}=...")
    endif()
endforeach()

# A cross windres looks for a cross gcc to preprocess with; any C preprocessor will do.
set(preprocess)
if(PREPROCESSOR)
    set(preprocess --preprocessor=${PREPROCESSOR} --preprocessor-arg=-E
        --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED)
endif()

file(MAKE_DIRECTORY "${OUT}")
foreach(format coff res)
    execute_process(
        COMMAND "${WINDRES}" ${preprocess} -i "${RC}" -O ${format} -o "${OUT}/tagmender.${format}"
        RESULT_VARIABLE result ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "windres -O ${format} failed (${result}):\n${errors}")
    endif()
endforeach()

execute_process(
    COMMAND "${WINDRES}" -i "${OUT}/tagmender.res" -O rc
    RESULT_VARIABLE result OUTPUT_VARIABLE decompiled ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "windres could not read back tagmender.res (${result}):\n${errors}")
endif()

# windres writes sizes in octal: \060 is 48, \040 is 32, \020 is 16.
set(expected
    "RT_GROUP_ICON"
    "Has 6 elements"
    "\\060\\060\\000\\000\", 1, 8,"
    "\\060\\060\\000\\000\", 1, 32,"
    "\\040\\040\\000\\000\", 1, 8,"
    "\\040\\040\\000\\000\", 1, 32,"
    "\\020\\020\\000\\000\", 1, 8,"
    "\\020\\020\\000\\000\", 1, 32,"
    "FILEVERSION 1, 0, 0, 0"
    "PRODUCTVERSION 1, 0, 0, 0"
    "BLOCK \"040904B0\""
    "VALUE \"CompanyName\", \"Company\""
    "VALUE \"FileVersion\", \"1.00\""
    "VALUE \"InternalName\", \"Tagmender\""
    "VALUE \"OriginalFilename\", \"Tagmender.exe\""
    "VALUE \"ProductName\", \"Tagmender\""
    "VALUE \"ProductVersion\", \"1.00\""
    "VALUE \"Translation\", 0x409, 1200"
)
set(missing)
foreach(text IN LISTS expected)
    string(FIND "${decompiled}" "${text}" at)
    if(at EQUAL -1)
        list(APPEND missing "${text}")
    endif()
endforeach()
if(missing)
    list(JOIN missing "\n  " lines)
    # The icon pixels would bury the rest; show the structure only.
    string(REGEX REPLACE "\n  0x[^\n]*" "" structure "${decompiled}")
    message(FATAL_ERROR "tagmender.res lacks:\n  ${lines}\nwindres read it back as:\n"
                        "${structure}")
endif()
message(STATUS "tagmender.rc compiles; icon group and version block are complete")
