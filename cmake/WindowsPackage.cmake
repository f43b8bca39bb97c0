# The Windows installer and the portable zip, made by the target
# windows_package (scripts/package-windows): a stripped install of the
# program's folder, packed by NSIS into ventrel-<version>-setup.exe and
# zipped into ventrel-<version>-windows.zip, both in the build tree.
find_program(VENTREL_MAKENSIS makensis)
if(NOT VENTREL_MAKENSIS)
  message(STATUS "makensis not found: no Windows installer (Debian's nsis makes one)")
  return()
endif()

set(package_dir ${CMAKE_BINARY_DIR}/package)
set(stage ${package_dir}/Ventrel)
set(VENTREL_SETUP ${CMAKE_BINARY_DIR}/ventrel-${PROJECT_VERSION}-setup.exe)
set(VENTREL_ZIP ${CMAKE_BINARY_DIR}/ventrel-${PROJECT_VERSION}-windows.zip)
add_custom_target(windows_package
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_dir}
  COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage} --strip
  COMMAND ${CMAKE_COMMAND} -DSTAGE=${stage} -DOUT=${package_dir}
          -P ${PROJECT_SOURCE_DIR}/cmake/NsisFiles.cmake
  COMMAND ${VENTREL_MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DFILES=${package_dir}
          -DOUTFILE=${VENTREL_SETUP} ${PROJECT_SOURCE_DIR}/cmake/ventrel.nsi
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_dir}
          ${CMAKE_COMMAND} -E tar cf ${VENTREL_ZIP} --format=zip Ventrel
  BYPRODUCTS ${VENTREL_SETUP} ${VENTREL_ZIP}
  COMMENT "The installer ${VENTREL_SETUP} and the zip ${VENTREL_ZIP}"
  VERBATIM)
add_dependencies(windows_package ventrel ventrel_windows_runtime)
