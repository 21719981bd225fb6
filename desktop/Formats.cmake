# The formats the program handles, one row each, for everything that names
# them to people and desktops: the package description, the metainfo, the
# desktop entry's Keywords and MIME types, and the file-manager action.
#
#   NAME | KEYWORDS | TYPES THE APPLICATION ENTRY LISTS | TYPES ONLY THE ACTION LISTS
#
# (lists inside a field separated by commas). The application entry lists only
# types that nothing but archives of ours inherits from: a desktop with no other
# handler makes the entry that lists a type the default for its subtypes too,
# and ZIP, gzip, bzip2, xz, TAR, RAR, 7z and CAB are the parents of documents
# (OpenDocument, Office Open XML, JAR, EPUB, compressed PostScript, comic
# books...). Those are offered by the "Re-date archives" action instead, which
# is never a default opener.
set(DOVANEL_FORMATS
  "LHA|lzh|application/x-lha,application/x-lzh-compressed|"
  "ZIP|zip||application/zip"
  "CAB|cab||application/vnd.ms-cab-compressed"
  "ARJ|arj|application/x-arj|"
  "TAR|tar||application/x-tar"
  "gzip|gzip,gz,tgz|application/x-compressed-tar|application/gzip"
  "compress|compress,taz|application/x-compress,application/x-tarz|"
  "bzip2|bzip2,bz2,tbz2|application/x-bzip-compressed-tar|application/x-bzip,application/x-bzip2"
  "xz|xz,txz|application/x-xz-compressed-tar|application/x-xz"
  "zstd|zstd,zst,tzst|application/zstd,application/x-zstd-compressed-tar|"
  "RAR|rar||application/vnd.rar,application/x-rar"
  "7z|7z,7-zip||application/x-7z-compressed"
  "self-extracting executables|sfx,exe||")

set(DOVANEL_FORMAT_NAMES "")       # "LHA, ZIP, ... and self-extracting executables"
set(DOVANEL_FORMAT_KEYWORDS "")    # "lzh;lha;zip;...;"
set(DOVANEL_ENTRY_MIME_TYPES "")   # "application/x-lha;...;"
set(DOVANEL_ACTION_MIME_TYPES "")  # every type of either list
set(_dovanel_names "")
foreach(_row IN LISTS DOVANEL_FORMATS)
  string(REPLACE "|" ";" _fields "${_row}")
  list(LENGTH _fields _count)
  if(NOT _count EQUAL 4)
    message(FATAL_ERROR "Formats.cmake: a row needs 4 fields: ${_row}")
  endif()
  list(GET _fields 0 _name)
  list(GET _fields 1 _keywords)
  list(GET _fields 2 _entry)
  list(GET _fields 3 _action)
  list(APPEND _dovanel_names "${_name}")
  foreach(_field _keywords _entry _action)
    if(NOT "${${_field}}" STREQUAL "")
      string(REPLACE "," ";" ${_field} "${${_field}};")
    endif()
  endforeach()
  string(APPEND DOVANEL_FORMAT_KEYWORDS "${_keywords}")
  string(APPEND DOVANEL_ENTRY_MIME_TYPES "${_entry}")
  string(APPEND DOVANEL_ACTION_MIME_TYPES "${_entry}${_action}")
endforeach()
list(POP_BACK _dovanel_names _last)
list(JOIN _dovanel_names ", " DOVANEL_FORMAT_NAMES)
string(APPEND DOVANEL_FORMAT_NAMES " and ${_last}")
