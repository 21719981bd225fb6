# Run by cpack before it makes the package (CPACK_PRE_BUILD_SCRIPTS): names the
# runtime packages the installed ELF files link, as dpkg-shlibdeps finds them.
# CPack's own scan would do the same, but it also adds ldconfig calls for any
# shared object under usr/lib, and our libraries are private ones that the
# program loads by path from usr/lib/dovanel.
file(GLOB_RECURSE _files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
set(_elf "")
foreach(_file IN LISTS _files)
  if(NOT IS_SYMLINK "${_file}")
    file(READ "${_file}" _magic LIMIT 4 HEX)
    if(_magic STREQUAL "7f454c46")
      list(APPEND _elf "${_file}")
    endif()
  endif()
endforeach()
if(NOT _elf)
  message(FATAL_ERROR "Depends.cmake: no ELF file under ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
endif()
# dpkg-shlibdeps wants a source tree with a control file to work in.
set(_work "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(MAKE_DIRECTORY "${_work}/debian")
file(WRITE "${_work}/debian/control" "Source: ${CPACK_DEBIAN_PACKAGE_NAME}\n\nPackage: ${CPACK_DEBIAN_PACKAGE_NAME}\nArchitecture: any\n")
execute_process(COMMAND dpkg-shlibdeps -O ${_elf}
                WORKING_DIRECTORY "${_work}"
                RESULT_VARIABLE _result OUTPUT_VARIABLE _output ERROR_VARIABLE _errors)
if(NOT _result EQUAL 0 OR NOT _output MATCHES "shlibs:Depends=([^\n]*)")
  message(FATAL_ERROR "dpkg-shlibdeps failed (${_result}): ${_errors}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${CMAKE_MATCH_1}")
file(REMOVE_RECURSE "${_work}")
