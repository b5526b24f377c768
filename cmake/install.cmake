include(CMakePackageConfigHelpers)

# What other programs may use: the entry operations of the job manager, the inventory push
# thread and the door-bell service, and the plain-function families (sysfs readers, SMBIOS
# reader, HBA API loader, SCSI/ATA queries with the types and codes they use). The C-style
# headers also compile as C. Everything else under src/ is internal and is not installed.
set(ORB_PUBLIC_HEADERS
  core/job_manager.h
  core/service_thread.h
  core/stop_request.h
  report/inventory_aggregator.h
  report/doorbell_service.h
  fc/hba_api.h
  host/sysfs_attribute.h
  host/smbios.h
  storage/scsi_queries.h
  storage/scsi_completion.h
  storage/ata_pages.h
  storage/ubm_utils.h)

install(TARGETS orb EXPORT orbTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
foreach(header ${ORB_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/src/${header}
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orb/${folder})
endforeach()
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
