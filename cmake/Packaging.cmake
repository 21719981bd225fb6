# The Debian package (cpack -G DEB in the build folder): the install tree
# under /usr, its dependencies found from what the binaries link.
set(CPACK_PACKAGE_NAME dovanel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "DOVANEL For Archiver developers")
set(CPACK_PACKAGE_CONTACT "DOVANEL For Archiver developers <dovanel@invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gives archive files the date of their newest entry")
set(CPACK_PACKAGE_DESCRIPTION
    "DOVANEL For Archiver sets the last-write time of each archive file to the date and time of the newest entry it holds.
It reads LHA, ZIP, CAB, ARJ, TAR (plain, gzip- and bzip2-packed) and RAR archives and self-extracting executables,
through archiver libraries of its own built over libarchive. Files and folders are dropped on its window, or named
on the command line, where /Q does the work without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps names the runtime packages (Qt 6, libarchive, the C++ runtime).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Archive and file names are Japanese text whatever the interface language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-ipafont-gothic | fonts-vlgothic")
set(CPACK_GENERATOR DEB)
include(CPack)
