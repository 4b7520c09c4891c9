# Writes a module-definition file that exports exactly the names of an
# export list (one name per line, '#' starts a comment line).
#   cmake -DLIST=exported_symbols.txt -DOUTPUT=kexif.def -DLIBRARY=kexif.dll -P write_def.cmake
file(STRINGS "${LIST}" lines)
set(content "LIBRARY ${LIBRARY}\nEXPORTS\n")
foreach(line IN LISTS lines)
  string(STRIP "${line}" line)
  if(line STREQUAL "" OR line MATCHES "^#")
    continue()
  endif()
  string(REGEX REPLACE "[ \t].*" "" name "${line}")
  string(APPEND content "  ${name}\n")
endforeach()
# Rewritten only when the names change, so the DLL is not relinked needlessly.
file(CONFIGURE OUTPUT "${OUTPUT}" CONTENT "${content}" @ONLY)
