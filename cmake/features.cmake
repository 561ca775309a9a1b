# The optional parts of stallscan and the libraries they need. Each of STALLSCAN_WITH_GUI,
# STALLSCAN_WITH_CUPS and STALLSCAN_WITH_SERVE is AUTO (built when its library is found), ON (the
# configure step fails, naming the Debian package to install, when it is not) or OFF. Afterwards
# each is a plain ON or OFF for the rest of the build. Included by the top-level CMakeLists.txt and
# by the configure test of tests/build/.

# stallscan_feature(NAME DESCRIPTION): declares the feature's cache entry and sets NAME_MODE to
# AUTO, ON or OFF (ON, YES, TRUE, 1 ... count as ON).
function(stallscan_feature name description)
  set(${name} AUTO CACHE STRING "${description}: AUTO, ON or OFF")
  set_property(CACHE ${name} PROPERTY STRINGS AUTO ON OFF)
  string(TOUPPER "${${name}}" value)
  if(value STREQUAL "AUTO")
    set(mode AUTO)
  elseif(value)
    set(mode ON)
  else()
    set(mode OFF)
  endif()
  set(${name}_MODE ${mode} PARENT_SCOPE)
  set(${name} ${mode} PARENT_SCOPE)
endfunction()

# stallscan_feature_missing(NAME WHAT PACKAGES): what NAME needs was not found. ON stops the
# configure step with the Debian packages to install; AUTO leaves the feature out, saying so.
function(stallscan_feature_missing name what packages)
  if(${name}_MODE STREQUAL "ON")
    message(FATAL_ERROR "${name} is ON, but ${what} was not found. "
                        "Install the Debian package(s) ${packages}, or configure with "
                        "-D${name}=AUTO or OFF.")
  endif()
  message(STATUS "${what} not found (Debian: ${packages}): building without it (${name})")
  set(${name} OFF PARENT_SCOPE)
endfunction()

stallscan_feature(STALLSCAN_WITH_GUI "Build the desktop windows (needs Qt 6 Widgets)")
stallscan_feature(STALLSCAN_WITH_CUPS "Diagnose CUPS servers (needs libcups)")
stallscan_feature(STALLSCAN_WITH_SERVE
                  "The live view over HTTP, stallscan --serve (needs libmicrohttpd)")

if(STALLSCAN_WITH_GUI)
  find_package(Qt6 COMPONENTS Widgets QUIET)
  if(NOT Qt6_FOUND)
    stallscan_feature_missing(STALLSCAN_WITH_GUI "Qt 6 Widgets" "qt6-base-dev libgl-dev")
  endif()
endif()

if(STALLSCAN_WITH_CUPS)
  find_package(Cups QUIET)
  if(NOT Cups_FOUND AND NOT CUPS_FOUND)
    stallscan_feature_missing(STALLSCAN_WITH_CUPS "libcups" "libcups2-dev")
  endif()
endif()

# libmicrohttpd serves the live view (event-driven: a slow client holds no thread); the tests and
# the CUPS benchmark talk to it with cpp-httplib's client. Debian's cpp-httplib is a compiled
# library: pkg-config carries the defines it was built with.
if(STALLSCAN_WITH_SERVE)
  find_package(PkgConfig QUIET)
  if(NOT PkgConfig_FOUND)
    stallscan_feature_missing(STALLSCAN_WITH_SERVE "pkg-config" "pkg-config libmicrohttpd-dev")
  else()
    pkg_check_modules(MICROHTTPD QUIET IMPORTED_TARGET libmicrohttpd>=0.9.75)
    if(STALLSCAN_BUILD_TESTS OR STALLSCAN_BUILD_BENCH)
      pkg_check_modules(HTTPLIB QUIET IMPORTED_TARGET cpp-httplib)
    endif()
    if(NOT MICROHTTPD_FOUND)
      stallscan_feature_missing(STALLSCAN_WITH_SERVE "libmicrohttpd 0.9.75 or later"
                                "libmicrohttpd-dev")
    elseif(STALLSCAN_BUILD_TESTS AND NOT HTTPLIB_FOUND)
      # The live view without its tests would pass the test command untested.
      stallscan_feature_missing(STALLSCAN_WITH_SERVE "cpp-httplib (for the live view's tests)"
                                "libcpp-httplib-dev")
    endif()
  endif()
endif()

# stallscan_feature_summary(): what this build makes, at the end of the configure step.
function(stallscan_feature_summary)
  message(STATUS "stallscan ${PROJECT_VERSION} builds:")
  message(STATUS "  the command line (stallscan): yes")
  foreach(item "GUI;the desktop windows (stallscan-gui)" "CUPS;CUPS servers (--cups)"
               "SERVE;the live view (--serve)")
    list(GET item 0 name)
    list(GET item 1 what)
    set(built no)
    if(STALLSCAN_WITH_${name})
      set(built yes)
    endif()
    message(STATUS "  ${what}: ${built} (STALLSCAN_WITH_${name}=${STALLSCAN_WITH_${name}_MODE})")
  endforeach()
  set(tests no)
  if(STALLSCAN_BUILD_TESTS)
    set(tests yes)
  endif()
  set(werror no)
  if(CMAKE_COMPILE_WARNING_AS_ERROR)
    set(werror yes)
  endif()
  message(STATUS "  tests: ${tests}; warnings are errors: ${werror}")
endfunction()
