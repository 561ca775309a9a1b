# Checks the hardening of cmake/hardening.cmake on the programs of a build:
#   cmake -DFORTIFY=0|1 -DPE=0|1 -DOBJDUMP=... -DCOMPILE_COMMANDS=... -DSOURCE_DIR=...
#         -P check_hardening.cmake PROGRAM...
# ELF: hardening-check (devscripts) on each program, and every compile command of src/ and tools/
# holding the compiler flags of Debian's own hardening (dpkg-buildflags with hardening=+all,
# without its optimisation and debugging flags; without _FORTIFY_SOURCE where FORTIFY is 0).
# PE: the image flags of address-space randomisation and non-executable data, and the stack
# protector linked in.
# Without hardening-check or dpkg-buildflags the check of that part is skipped with a note, except
# in CI (the environment variable CI set), where it fails. Fails with every finding.

cmake_minimum_required(VERSION 3.25)

set(programs "")
math(EXPR last "${CMAKE_ARGC} - 1")
set(after_script OFF)
foreach(i RANGE ${last})
  if(after_script)
    list(APPEND programs "${CMAKE_ARGV${i}}")
  elseif(CMAKE_ARGV${i} MATCHES "check_hardening\\.cmake$")
    set(after_script ON)
  endif()
endforeach()
if(NOT programs)
  message(FATAL_ERROR "no programs to check")
endif()

set(problems "")

# A tool the check needs: its path in ${var}, or empty after a note (outside CI) or a problem (CI).
function(find_tool var name why)
  find_program(${var}_path ${name})
  if(NOT ${var}_path)
    set(${var}_path "")
    if(DEFINED ENV{CI} AND NOT "$ENV{CI}" STREQUAL "")
      list(APPEND problems "${name} is not installed, which CI needs (${why})")
      set(problems "${problems}" PARENT_SCOPE)
    else()
      message(STATUS "${name} is not installed: ${why} not checked (scripts/install-deps.sh "
                     "installs it)")
    endif()
  endif()
  set(${var} "${${var}_path}" PARENT_SCOPE)
endfunction()

if(PE)
  foreach(program IN LISTS programs)
    get_filename_component(name "${program}" NAME)
    execute_process(COMMAND ${OBJDUMP} -p "${program}" OUTPUT_VARIABLE headers RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      list(APPEND problems "${name}: objdump -p failed")
      continue()
    endif()
    foreach(flag DYNAMIC_BASE HIGH_ENTROPY_VA NX_COMPAT)
      if(NOT headers MATCHES "\n[ \t]*${flag}\n")
        list(APPEND problems "${name}: no ${flag} among its DLL characteristics")
      endif()
    endforeach()
    execute_process(COMMAND ${OBJDUMP} -t "${program}" OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
    if(NOT symbols MATCHES "[ \t]__stack_chk_fail\n")
      list(APPEND problems "${name}: the stack protector's __stack_chk_fail is not linked in")
    endif()
  endforeach()
else()
  find_tool(hardening_check hardening-check "the programs' hardening")
  if(hardening_check)
    # Fortify is checked on the compile commands below: hardening-check recognises it only by a
    # checked call, and a program whose every call was proven safe when compiled (kvls) has none.
    # Control-flow marks are left out: Debian 12's C start files have none, so no program of it
    # has them.
    execute_process(COMMAND ${hardening_check} --nofortify --nocfprotection ${programs}
                    OUTPUT_VARIABLE report ERROR_VARIABLE report RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      list(APPEND problems "hardening-check:\n${report}")
    endif()
  endif()

  find_tool(buildflags dpkg-buildflags "the compiler flags against Debian's")
  if(buildflags)
    set(wanted "")
    foreach(kind CPPFLAGS CXXFLAGS)
      execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                              ${buildflags} --get ${kind}
                      OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
      separate_arguments(flags UNIX_COMMAND "${flags}")
      list(APPEND wanted ${flags})
    endforeach()
    # Optimisation, debugging information and reproducibility are each preset's own business.
    list(FILTER wanted EXCLUDE REGEX "^-(O|g|ffile-prefix-map=|fdebug-prefix-map=|Wdate-time$)")
    if(NOT FORTIFY)
      list(FILTER wanted EXCLUDE REGEX "^-D_FORTIFY_SOURCE=")
    endif()
    if(NOT wanted)
      list(APPEND problems "dpkg-buildflags gave no hardening flags")
    endif()

    file(READ "${COMPILE_COMMANDS}" commands)
    string(JSON count LENGTH "${commands}")
    math(EXPR last "${count} - 1")
    set(checked 0)
    foreach(i RANGE ${last})
      string(JSON file GET "${commands}" ${i} file)
      file(RELATIVE_PATH relative "${SOURCE_DIR}" "${file}")
      if(NOT relative MATCHES "^(src|tools)/")
        continue()
      endif()
      math(EXPR checked "${checked} + 1")
      string(JSON command GET "${commands}" ${i} command)
      separate_arguments(words UNIX_COMMAND "${command}")
      foreach(flag IN LISTS wanted)
        if(NOT flag IN_LIST words)
          list(APPEND problems "${relative} is compiled without ${flag}")
        endif()
      endforeach()
    endforeach()
    if(checked EQUAL 0)
      list(APPEND problems "no compile command of src/ or tools/ in ${COMPILE_COMMANDS}")
    endif()
  endif()
endif()

if(problems)
  list(JOIN problems "\n" text)
  message(FATAL_ERROR "${text}")
endif()
list(JOIN programs " " names)
message(STATUS "checked: ${names}")
