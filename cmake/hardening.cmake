# Hardening of every program the build links, in every build of it:
#
#   Linux (ELF)   the flags of Debian 12's dpkg-buildflags with hardening=+all (in
#                 DEB_BUILD_MAINT_OPTIONS): -fstack-protector-strong, -D_FORTIFY_SOURCE=2,
#                 -Wformat -Werror=format-security, -Wl,-z,relro -Wl,-z,now, and PIE (-fPIE, -pie).
#   mingw-w64     what PE and mingw have: the stack protector and _FORTIFY_SOURCE (both through
#                 libssp), and address-space randomisation with high entropy and non-executable data
#                 (--dynamicbase --high-entropy-va --nxcompat; binutils sets them by default since
#                 2.36, named here so that an older linker cannot drop them silently).
#   MSVC          its defaults already do this (/GS, /DYNAMICBASE, /HIGHENTROPYVA, /NXCOMPAT).
#
# _FORTIFY_SOURCE only where the compiler optimises (glibc's checks need the optimiser's object
# sizes, and glibc warns without it) and never with the sanitizers, whose interceptors take the
# place of the fortified functions.
#
# The flags are written here instead of being read from dpkg-buildflags at configure time:
# dpkg-buildflags also brings -O2 -g and a -ffile-prefix-map of the current folder, which would
# override each preset's build type (the asan preset is an -O0 build); its default on Debian 12
# leaves out immediate binding; what it gives depends on DEB_BUILD_MAINT_OPTIONS and the other
# DEB_* variables of whoever configures; and the Windows cross-build and machines without dpkg-dev
# have no dpkg-buildflags at all. Written here, every preset builds the same way on every machine,
# and an unknown flag fails the build instead of leaving a program without its hardening. The
# package test runs hardening-check on the packaged programs, and the test build.hardening checks
# the programs of each build.
#
# Not included: -fcf-protection, since Debian 12's C start files carry no IBT/SHSTK marks and the
# linker therefore drops the mark from every program (its own packages have none either), and
# -fstack-clash-protection, which Debian 12's dpkg-buildflags does not give.

if(MSVC OR APPLE)
  return()
endif()

# 1 where the build fortifies: an optimised configuration without sanitizers (also read by the test
# build.hardening).
set(STALLSCAN_FORTIFY "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
if(STALLSCAN_SANITIZE OR STALLSCAN_FUZZ)
  set(STALLSCAN_FORTIFY 0)
endif()

add_compile_options(-fstack-protector-strong -Wformat -Werror=format-security)
# On mingw the stack protector's and fortify's run-time support is in libssp, which the compiler
# driver links when it sees the option at link time too; on Linux glibc has it and this is a no-op.
add_link_options(-fstack-protector-strong)

# -U first: some compilers define _FORTIFY_SOURCE themselves, and a second definition warns.
add_compile_options("$<${STALLSCAN_FORTIFY}:-U_FORTIFY_SOURCE>"
                    "$<${STALLSCAN_FORTIFY}:-D_FORTIFY_SOURCE=2>")

if(WIN32)
  add_link_options(-Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
else()
  # -fPIE before any -fPIC: Qt's targets add -fPIC to the code that uses them, and the last of the
  # two wins, so that code stays position-independent as a library must be.
  add_compile_options(-fPIE)
  add_link_options(-Wl,-z,relro -Wl,-z,now "$<$<STREQUAL:$<TARGET_PROPERTY:TYPE>,EXECUTABLE>:-pie>")
endif()
