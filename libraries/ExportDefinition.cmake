# Writes a library's module-definition file from its export object: every
# function the object defines for export, by the name a caller looks up.
# cmake -DNM=... -DOBJECT=... -DLIBRARY=<file name> -DOUTPUT=<.def> -P ExportDefinition.cmake
execute_process(COMMAND ${NM} --defined-only --extern-only ${OBJECT}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${OBJECT}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(exports "")
foreach(line ${lines})
  # Only code: "ADDRESS T NAME". On 32-bit x86 a C name has a leading "_"
  # and a __stdcall one "@" and its argument bytes after it; the linker's
  # --kill-at drops that ending from what the library exports.
  if(line MATCHES "^[0-9a-fA-F]+ T (.+)$")
    set(name ${CMAKE_MATCH_1})
    if(STRIP_UNDERSCORE)
      string(REGEX REPLACE "^_" "" name ${name})
    endif()
    list(APPEND exports "  ${name}")
  endif()
endforeach()
if(NOT exports)
  message(FATAL_ERROR "${OBJECT} defines no function to export")
endif()
list(SORT exports)
string(REPLACE ";" "\n" body "${exports}")
file(WRITE ${OUTPUT}.new "LIBRARY \"${LIBRARY}\"\nEXPORTS\n${body}\n")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
