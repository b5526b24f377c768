include(CMakePackageConfigHelpers)

install(TARGETS orb EXPORT orbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/src/
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orb
  FILES_MATCHING PATTERN "*.h")
install(EXPORT orbTargets
  NAMESPACE orb::
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orb)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/orbConfig.cmake.in
  ${PROJECT_BINARY_DIR}/orbConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orb)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/orbConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/orbConfig.cmake ${PROJECT_BINARY_DIR}/orbConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/orb)
