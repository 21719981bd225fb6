# Debian's hardening (fortified calls, stack protector, format checks, full
# RELRO with immediate binding, PIE) for every ELF file, with the flags
# dpkg-buildflags gives, where there is one. Its optimization and debug flags
# are left to the build type; fortification needs an optimized build and gets
# in the sanitizers' way.
option(DOVANEL_HARDENING "Build with the hardening flags of dpkg-buildflags" ON)
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(DOVANEL_HARDENING AND DPKG_BUILDFLAGS AND NOT WIN32 AND NOT DOVANEL_SANITIZE
   AND NOT CMAKE_BUILD_TYPE STREQUAL "Debug")
  foreach(kind CPPFLAGS CFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    list(FILTER flags EXCLUDE REGEX "^(-g|-O[0-9s]?|-ffile-prefix-map=.*|-fdebug-prefix-map=.*)$")
    list(JOIN flags " " DOVANEL_DEB_${kind})
  endforeach()
  string(APPEND CMAKE_C_FLAGS " ${DOVANEL_DEB_CPPFLAGS} ${DOVANEL_DEB_CFLAGS}")
  string(APPEND CMAKE_CXX_FLAGS " ${DOVANEL_DEB_CPPFLAGS} ${DOVANEL_DEB_CXXFLAGS}")
  foreach(kind EXE SHARED MODULE)
    string(APPEND CMAKE_${kind}_LINKER_FLAGS " ${DOVANEL_DEB_LDFLAGS}")
  endforeach()
endif()
