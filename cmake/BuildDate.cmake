# Writes the source that holds the build date of the build tag: cmake -DOUTPUT=file -P this.
# It runs on every build; the file is rewritten only when the date changed, so an unchanged day
# compiles and links nothing anew, and a new day gives the binary linked by that build its date.
string(TIMESTAMP year "%Y")
string(TIMESTAMP month "%m")
string(TIMESTAMP day "%d")
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR index "${month} - 1")
list(GET months ${index} month_name)
# The compiler's __DATE__ form: the day padded with a blank.
string(REGEX REPLACE "^0" " " day "${day}")
set(content "// Written by cmake/BuildDate.cmake on every build; do not edit.\n#include \"app/build_tag.h\"\n\nnamespace rk::app {\nconst char kBuildDay[] = \"${month_name} ${day} ${year}\";\n}  // namespace rk::app\n")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${content}")
