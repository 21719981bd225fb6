# The archive libraries' dependencies in a Windows build: the static libraries
# scripts/windows-deps.sh installs (and zlib's from libz-mingw-w64-dev). Found
# here, at the top, so that the folders' own find_package calls take these
# targets, which carry what a static link on Windows needs besides the file.
find_package(LibArchive REQUIRED)
find_package(ZLIB REQUIRED)
find_package(BZip2 REQUIRED)
find_package(LibLZMA REQUIRED)
find_library(DOVANEL_ZSTD_LIBRARY zstd REQUIRED)

# Without these the headers declare their functions as imported from a DLL.
set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC)
set_property(TARGET LibLZMA::LibLZMA APPEND PROPERTY INTERFACE_COMPILE_DEFINITIONS LZMA_API_STATIC)
# libarchive's own dependencies, after it on the link line; bcrypt and advapi32
# for its hashes and encrypted ZIP entries.
set_property(TARGET LibArchive::LibArchive APPEND PROPERTY INTERFACE_LINK_LIBRARIES
             ${DOVANEL_ZSTD_LIBRARY} LibLZMA::LibLZMA BZip2::BZip2 ZLIB::ZLIB bcrypt advapi32)
