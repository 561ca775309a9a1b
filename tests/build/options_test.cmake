# The AUTO/ON/OFF options with their library hidden: ON fails the configure step naming the Debian
# package, AUTO leaves the part out and says so in the summary, OFF does not look. Configures the
# small project of options/ into WORK_DIR, one case after another.
#   cmake -DWORK_DIR=DIR -P options_test.cmake

# pkg-config's search folders as given to the cases: none, every .pc file of this machine, or all
# but cpp-httplib's (links in folders of their own).
set(pc_none ${WORK_DIR}/pc-none)
set(pc_all ${WORK_DIR}/pc-all)
set(pc_no_httplib ${WORK_DIR}/pc-no-httplib)
file(REMOVE_RECURSE ${pc_none} ${pc_all} ${pc_no_httplib})
file(MAKE_DIRECTORY ${pc_none} ${pc_all} ${pc_no_httplib})
find_program(PKG_CONFIG pkg-config)
set(have_serve_libraries FALSE)
if(PKG_CONFIG)
  execute_process(COMMAND ${PKG_CONFIG} --variable pc_path pkg-config
                  OUTPUT_VARIABLE pc_path OUTPUT_STRIP_TRAILING_WHITESPACE)
  string(REPLACE ":" ";" pc_path "${pc_path}")
  foreach(dir ${pc_path})
    file(GLOB pc_files ${dir}/*.pc)
    foreach(pc ${pc_files})
      get_filename_component(pc_name ${pc} NAME)
      if(NOT EXISTS ${pc_all}/${pc_name})
        file(CREATE_LINK ${pc} ${pc_all}/${pc_name} SYMBOLIC)
        if(NOT pc_name STREQUAL "cpp-httplib.pc")
          file(CREATE_LINK ${pc} ${pc_no_httplib}/${pc_name} SYMBOLIC)
        endif()
      endif()
    endforeach()
  endforeach()
  execute_process(COMMAND ${PKG_CONFIG} --exists "libmicrohttpd >= 0.9.75" cpp-httplib
                  RESULT_VARIABLE missing)
  if(missing EQUAL 0)
    set(have_serve_libraries TRUE)
  endif()
endif()

# configure(NAME PC_DIR EXPECT_RESULT EXPECT_REGEX ARGS...): configures with ARGS, pkg-config
# looking in PC_DIR only, and checks that the configure step succeeds (0) or fails (1) with output
# matching EXPECT_REGEX.
function(configure name pc_dir expect_result expect_regex)
  set(build ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${build})
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${pc_dir} PKG_CONFIG_PATH=
            ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR}/options -B ${build} -G Ninja ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    set(result 1)
  endif()
  string(REGEX REPLACE "[ \n]+" " " flat "${out}")
  if(NOT result EQUAL expect_result OR NOT flat MATCHES "${expect_regex}")
    message(SEND_ERROR "${name}: exit ${result} (expected ${expect_result}), output does not match "
                       "\"${expect_regex}\":\n${out}")
  endif()
  file(REMOVE_RECURSE ${build})
endfunction()

set(others -DSTALLSCAN_WITH_GUI=OFF -DSTALLSCAN_WITH_CUPS=OFF -DSTALLSCAN_WITH_SERVE=OFF)

configure(cups-on ${pc_none} 1 "STALLSCAN_WITH_CUPS is ON, but libcups was not found.*libcups2-dev"
          ${others} -DSTALLSCAN_WITH_CUPS=on -DCMAKE_DISABLE_FIND_PACKAGE_Cups=ON)
configure(gui-on ${pc_none} 1
          "STALLSCAN_WITH_GUI is ON, but Qt 6 Widgets was not found.*qt6-base-dev"
          ${others} -DSTALLSCAN_WITH_GUI=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
configure(serve-on ${pc_none} 1 "STALLSCAN_WITH_SERVE is ON, but libmicrohttpd .*libmicrohttpd-dev"
          ${others} -DSTALLSCAN_WITH_SERVE=ON)
configure(serve-without-pkg-config ${pc_none} 1
          "STALLSCAN_WITH_SERVE is ON, but pkg-config was not found"
          ${others} -DSTALLSCAN_WITH_SERVE=1 -DCMAKE_DISABLE_FIND_PACKAGE_PkgConfig=ON)

# AUTO: all three hidden, the build goes on without them and the summary says so.
configure(all-auto ${pc_none} 0
          "libcups not found.*CUPS servers \\(--cups\\): no \\(STALLSCAN_WITH_CUPS=AUTO\\).*live view \\(--serve\\): no \\(STALLSCAN_WITH_SERVE=AUTO\\)"
          -DSTALLSCAN_WITH_GUI=AUTO -DSTALLSCAN_WITH_CUPS=AUTO -DSTALLSCAN_WITH_SERVE=AUTO
          -DCMAKE_DISABLE_FIND_PACKAGE_Cups=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)
# OFF never fails, whatever is missing.
configure(all-off ${pc_none} 0 "windows \\(stallscan-gui\\): no \\(STALLSCAN_WITH_GUI=OFF\\)"
          ${others} -DCMAKE_DISABLE_FIND_PACKAGE_Cups=ON -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON)

# The live view's tests need cpp-httplib: without it ON fails where the tests are built.
if(have_serve_libraries)
  configure(serve-found ${pc_all} 0 "live view \\(--serve\\): yes \\(STALLSCAN_WITH_SERVE=AUTO\\)"
            ${others} -DSTALLSCAN_WITH_SERVE=AUTO)
  configure(serve-tests-without-httplib ${pc_no_httplib} 1
            "STALLSCAN_WITH_SERVE is ON, but cpp-httplib .*libcpp-httplib-dev"
            ${others} -DSTALLSCAN_WITH_SERVE=ON)
  configure(serve-without-tests-or-httplib ${pc_no_httplib} 0 "live view \\(--serve\\): yes"
            ${others} -DSTALLSCAN_WITH_SERVE=ON -DSTALLSCAN_BUILD_TESTS=OFF)
else()
  message(STATUS "libmicrohttpd or cpp-httplib not installed: their cases are left out")
endif()
file(REMOVE_RECURSE ${pc_none} ${pc_all} ${pc_no_httplib})
