# On Windows the program runs from a folder of its own: beside ventrel.exe
# the Qt libraries it links, the plugins Qt loads at start (the Windows
# platform and the native style, looked up in platforms/ and styles/ beside
# the program) and the compiler's runtime, which the Qt libraries link. They
# are copied beside the programs of the build tree, so that every program
# and test there runs as it is, and installed beside the program.
set(VENTREL_QT_DLLS $<TARGET_FILE:Qt6::Core> $<TARGET_FILE:Qt6::Gui> $<TARGET_FILE:Qt6::Widgets>)
set(VENTREL_QT_PLATFORM $<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>)
set(VENTREL_QT_STYLE $<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>)

# Our own programs link the runtime statically (cmake/mingw-w64.cmake); Qt's
# libraries need it as DLLs.
set(VENTREL_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                  OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
    message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not know where ${dll} is")
  endif()
  file(REAL_PATH "${path}" path)
  list(APPEND VENTREL_RUNTIME_DLLS "${path}")
endforeach()

set(bin ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
add_custom_target(ventrel_windows_runtime ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${bin}/platforms ${bin}/styles
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VENTREL_QT_DLLS} ${VENTREL_RUNTIME_DLLS} ${bin}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VENTREL_QT_PLATFORM} ${bin}/platforms
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${VENTREL_QT_STYLE} ${bin}/styles
  COMMENT "The Qt and runtime libraries beside the programs"
  VERBATIM)
add_dependencies(ventrel ventrel_windows_runtime)

install(FILES ${VENTREL_QT_DLLS} ${VENTREL_RUNTIME_DLLS} DESTINATION .)
install(FILES ${VENTREL_QT_PLATFORM} DESTINATION platforms)
install(FILES ${VENTREL_QT_STYLE} DESTINATION styles)
# A stripped install (cmake --install --strip) strips the libraries too,
# which CMake strips only for targets of its own.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    file(GLOB_RECURSE libraries \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/*.dll\")
    foreach(library IN LISTS libraries)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-unneeded \"\${library}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()")

# Qt's libraries are shipped under the LGPL, whose text goes with them
# (scripts/qt-windows keeps Qt's licences in its install).
foreach(licence LGPL-3.0-only.txt GPL-3.0-only.txt)
  if(EXISTS ${QT6_INSTALL_PREFIX}/LICENSES/${licence})
    install(FILES ${QT6_INSTALL_PREFIX}/LICENSES/${licence} DESTINATION licenses/Qt)
  endif()
endforeach()
