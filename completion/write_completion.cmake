# Writes the bash completion script from its template and the title list.
# Run as: cmake -DTITLES_TOOL=... -DTEMPLATE=... -DOUTPUT=... -P write_completion.cmake
execute_process(COMMAND ${TITLES_TOOL} OUTPUT_VARIABLE LIRKEL_TITLES RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${TITLES_TOOL} failed: ${result}")
endif()
string(REGEX REPLACE "\n$" "" LIRKEL_TITLES "${LIRKEL_TITLES}")
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
