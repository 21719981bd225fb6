# The Debian package (cpack -G DEB in the build folder): the install tree
# under /usr, its dependencies found from what the binaries link, and the
# copyright file and changelog a Debian package carries.
include(${CMAKE_SOURCE_DIR}/cmake/Release.cmake)
include(${CMAKE_SOURCE_DIR}/desktop/Formats.cmake)

# Words into lines of at most 72 characters, as a package description wants them.
function(dovanel_wrap out text)
  string(REGEX REPLACE "[ \n]+" ";" words "${text}")
  set(wrapped "")
  set(line "")
  foreach(word IN LISTS words)
    string(LENGTH "${line} ${word}" length)
    if(line STREQUAL "")
      set(line "${word}")
    elseif(length GREATER 72)
      string(APPEND wrapped "${line}\n")
      set(line "${word}")
    else()
      string(APPEND line " ${word}")
    endif()
  endforeach()
  set(${out} "${wrapped}${line}" PARENT_SCOPE)
endfunction()

set(CPACK_PACKAGE_NAME dovanel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "DOVANEL For Archiver developers")
set(CPACK_PACKAGE_CONTACT "${DOVANEL_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${DOVANEL_HOMEPAGE}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gives archive files the date of their newest entry")
dovanel_wrap(CPACK_PACKAGE_DESCRIPTION
  "DOVANEL For Archiver sets the last-write time of each archive file to the date and time of the
   newest entry it holds. It reads ${DOVANEL_FORMAT_NAMES}, through archiver libraries of its own
   built over libarchive. Files and folders are dropped on its window, or named on the command
   line, where /Q does the work without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the runtime packages (Qt 6, libarchive, the C++ runtime),
# run by a script of ours rather than CPACK_DEBIAN_PACKAGE_SHLIBDEPS (see there).
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_SOURCE_DIR}/cmake/debian/Depends.cmake)
# Archive and file names are Japanese text whatever the interface language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_GENERATOR DEB)
include(CPack)

# The copyright file in Debian's machine-readable form, the licence's text
# indented as that form wants it, and the changelog of a native package.
file(READ ${CMAKE_SOURCE_DIR}/LICENSE _licence)
string(REGEX REPLACE "^.*\n(Permission is hereby)" "\\1" _licence "${_licence}")
string(STRIP "${_licence}" _licence)
string(REPLACE "\n\n" "\n.\n" _licence "${_licence}")
string(REPLACE "\n" "\n " DOVANEL_LICENSE_TEXT " ${_licence}")
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/copyright.in ${CMAKE_BINARY_DIR}/debian/copyright @ONLY)
execute_process(COMMAND date -u -R -d "${DOVANEL_RELEASE_DATE}"
                OUTPUT_VARIABLE DOVANEL_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog @ONLY)
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/debian/changelog.gz
                   COMMAND gzip -9 -n -k -f ${CMAKE_BINARY_DIR}/debian/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog
                   VERBATIM)
add_custom_target(dovanel_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/debian/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright ${CMAKE_BINARY_DIR}/debian/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# Removes what `cmake --install` put in place and the folders it left empty.
add_custom_target(uninstall
                  COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
                          -P ${CMAKE_SOURCE_DIR}/cmake/Uninstall.cmake
                  VERBATIM)
