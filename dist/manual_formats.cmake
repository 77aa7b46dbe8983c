# Writes the exporter's manual page OUT from IN, its list of formats
# (@FORMATS@) taken from the built EXPORTER's --help, which prints the
# program's one table of formats: a new format needs no edit here.
#
#   cmake -DEXPORTER=... -DIN=... -DOUT=... -DPROJECT_VERSION=... -P manual_formats.cmake
execute_process(COMMAND ${EXPORTER} --help OUTPUT_VARIABLE help RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${EXPORTER} --help failed: ${failed}")
endif()
# The lines under "--format FORMAT one of", each a name and what it writes.
string(REGEX MATCH "--format FORMAT one of\n(( +[a-z]+ +[^\n]+\n)+)" found "${help}")
if(NOT found)
  message(FATAL_ERROR "no list of formats in the --help of ${EXPORTER}")
endif()
string(REGEX REPLACE " +([a-z]+) +([^\n]+)\n" ".TP\n.B \\1\n\\2\n" FORMATS "${CMAKE_MATCH_1}")
configure_file(${IN} ${OUT} @ONLY)
