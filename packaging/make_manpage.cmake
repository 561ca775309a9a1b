# Makes a man page from its template with the program's own --help text and version line, and the
# report messages' codes (tools/manpage).
#   cmake -DPROGRAM=... -DTOOL=... -DTEMPLATE=... -DOUTPUT=... -P make_manpage.cmake

execute_process(COMMAND ${PROGRAM} --help OUTPUT_FILE ${OUTPUT}.help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${status})")
endif()
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version RESULT_VARIABLE status
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR version STREQUAL "")
  message(FATAL_ERROR "${PROGRAM} --version failed (${status})")
endif()
execute_process(COMMAND ${TOOL} ${TEMPLATE} ${OUTPUT}.help ${version} ${OUTPUT}
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the man page ${OUTPUT} could not be made (${status})")
endif()
