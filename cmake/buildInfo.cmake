# Run at every build (cmake -P): writes the program's version and the source revision it is built
# from into OUT, touching the file only when they changed, so that a build with nothing new
# compiles nothing again. Outside a git checkout the revision reads "unknown".
# Arguments: -DSOURCE_DIR= -DOUT= -DVERSION=
execute_process(COMMAND git -C "${SOURCE_DIR}" describe --always --dirty --abbrev=7
                OUTPUT_VARIABLE revision OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE failed ERROR_QUIET)
execute_process(COMMAND git -C "${SOURCE_DIR}" log -1 --format=%cs
                OUTPUT_VARIABLE date OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(failed OR revision STREQUAL "")
    set(revision "unknown")
    set(date "")
endif()
set(text "// Written by cmake/buildInfo.cmake at each build.
#include \"standalone/buildInfo.h\"

namespace quelvar::buildInfo
{
const char* const kVersion = \"${VERSION}\";
const char* const kRevision = \"${revision}\";
const char* const kRevisionDate = \"${date}\";
} // namespace quelvar::buildInfo
")
set(old "")
if(EXISTS "${OUT}")
    file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
    file(WRITE "${OUT}" "${text}")
endif()
