# kexif.dll for 32-bit Windows: exports exactly the names of
# tests/exported_symbols.txt under their plain __cdecl names (a generated
# module-definition file, no automatic exports), and carries libgcc and
# libstdc++ inside so that it needs nothing beyond the system DLLs.
set(KEXIF_EXPORT_LIST ${CMAKE_CURRENT_SOURCE_DIR}/tests/exported_symbols.txt)
set(KEXIF_DEF_FILE ${CMAKE_CURRENT_BINARY_DIR}/kexif.def)
add_custom_command(OUTPUT ${KEXIF_DEF_FILE}
  COMMAND ${CMAKE_COMMAND} -DLIST=${KEXIF_EXPORT_LIST} -DOUTPUT=${KEXIF_DEF_FILE}
          -DLIBRARY=kexif.dll -P ${CMAKE_CURRENT_LIST_DIR}/write_def.cmake
  DEPENDS ${KEXIF_EXPORT_LIST} ${CMAKE_CURRENT_LIST_DIR}/write_def.cmake
  COMMENT "Writing kexif.def from the export list"
  VERBATIM)
target_sources(kexif PRIVATE ${KEXIF_DEF_FILE})
set_target_properties(kexif PROPERTIES PREFIX "" IMPORT_PREFIX "")
target_link_options(kexif PRIVATE
  -static-libgcc -static-libstdc++ -static
  -Wl,--exclude-all-symbols
  -Wl,--no-undefined)
