# Installs libkexif with its header, a CMake package (find_package(kexif)
# gives kexif::kexif) and a pkg-config file. Both package descriptions find
# the prefix relative to their own location, so the tree can be installed
# with `cmake --install BUILD --prefix DIR` or moved afterwards.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KEXIF_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/kexif)

install(TARGETS kexif EXPORT kexifTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/include/kexif.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT kexifTargets NAMESPACE kexif:: DESTINATION ${KEXIF_CMAKE_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/kexifConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/kexifConfig.cmake
  INSTALL_DESTINATION ${KEXIF_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kexifConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kexifConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/kexifConfigVersion.cmake
  DESTINATION ${KEXIF_CMAKE_PACKAGE_DIR})

# pkg-config: paths relative to the .pc file's folder unless the install
# folders were given as absolute paths.
set(KEXIF_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(KEXIF_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(KEXIF_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(KEXIF_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH pc_to_prefix /prefix/${KEXIF_PC_DIR} /prefix)
  string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
  set(KEXIF_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
  set(KEXIF_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(KEXIF_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/kexif.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kexif.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kexif.pc DESTINATION ${KEXIF_PC_DIR})
