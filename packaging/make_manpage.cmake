# Fills the man page template with the program's own usage and version lines.
#   cmake -DPROGRAM=... -DTEMPLATE=... -DOUTPUT=... -P make_manpage.cmake

# Runs the program with `option`; its standard output as roff text lines.
function(program_text option out_var)
  execute_process(COMMAND ${PROGRAM} ${option} OUTPUT_VARIABLE text RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR text STREQUAL "")
    message(FATAL_ERROR "${PROGRAM} ${option} failed (${status})")
  endif()
  string(REPLACE "\r" "" text "${text}")
  string(STRIP "${text}" text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  # A line must not begin with a control character.
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

program_text(-h USAGE)
program_text(-V VERSION_LINE)
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
