# Writes a shell's completion script from its template and the title list,
# each title quoted as that shell reads it.
# Run as: cmake -DTITLES_TOOL=... -DTEMPLATE=... -DOUTPUT=... -DSHELL=bash|zsh|fish
#               -P write_completion.cmake
execute_process(COMMAND ${TITLES_TOOL} OUTPUT_VARIABLE titles RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TITLES_TOOL} failed: ${result}")
endif()
string(REGEX REPLACE "\n$" "" titles "${titles}")
if(SHELL STREQUAL "zsh")
  # One word of an array a line: 'It'\''s'.
  string(REPLACE "'" "'\\''" titles "${titles}")
  string(REPLACE "\n" "'\n  '" titles "${titles}")
  set(titles "  '${titles}'")
elseif(SHELL STREQUAL "fish")
  # One word a line, continued: 'It\'s' \
  string(REPLACE "\\" "\\\\" titles "${titles}")
  string(REPLACE "'" "\\'" titles "${titles}")
  string(REPLACE "\n" "' \\\n    '" titles "${titles}")
  set(titles "    '${titles}'")
endif()
# bash reads the lines as they are, from a here-document.
set(LIRKEL_TITLES "${titles}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
