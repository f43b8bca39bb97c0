# Under Wine on a desktop with a tray (Xvfb, openbox, trayer), each case in
# a Wine prefix of its own with simrouter.exe beside it, inside its own
# network namespace. tooltip_text reads the icon's tip as the tray shows it.
add_executable(tooltip_text TooltipText.cpp)
ventrel_warnings(tooltip_text)

# Windows Sockets that do not start, for the start's exit status 1: a
# ws2_32.dll of our own, loaded in place of Wine's.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libws2_32.a
                OUTPUT_VARIABLE ws2_32_library OUTPUT_STRIP_TRAILING_WHITESPACE)
set(no_sockets_def ${CMAKE_CURRENT_BINARY_DIR}/ws2_32.def)
add_custom_command(OUTPUT ${no_sockets_def}
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=${ws2_32_library} -DOUT=${no_sockets_def}
          -P ${CMAKE_CURRENT_SOURCE_DIR}/NoSocketsDef.cmake
  DEPENDS NoSocketsDef.cmake
  VERBATIM)
add_library(no_sockets SHARED NoSockets.cpp ${no_sockets_def})
set_target_properties(no_sockets PROPERTIES OUTPUT_NAME ws2_32 PREFIX ""
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/no-sockets)
target_link_options(no_sockets PRIVATE -static)
ventrel_warnings(no_sockets)
set(wine_environment
  "VENTREL=$<TARGET_FILE:ventrel>;SIMROUTER=$<TARGET_FILE:simrouter>"
  "TOOLTIP_TEXT=$<TARGET_FILE:tooltip_text>;NO_SOCKETS=$<TARGET_FILE:no_sockets>"
  "WINE_TEMPLATE=${CMAKE_BINARY_DIR}/wine")
ventrel_python_cases(WineDesktop SCRIPT test_windows.py CLASS WindowsOnADesktop TIMEOUT 300
  ENVIRONMENT ${wine_environment}
  CASES
    test_first_start_seeds_the_registry_and_the_gauges_go_live
    test_closing_hides_to_the_icon_polling_goes_on_and_a_click_restores
    test_values_set_in_the_registry_are_read_at_start
    test_file_exit_writes_the_settings_back
    test_users_manual_opens_the_manual_beside_the_program
    test_exit_status_1_when_windows_sockets_do_not_start)

# The installer, made first by its own test, installed silently, the
# installed program started, and uninstalled.
if(VENTREL_SETUP)
  add_test(NAME WineInstaller.package
    COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target windows_package)
  set_tests_properties(WineInstaller.package PROPERTIES FIXTURES_SETUP windows_package)
  set(case test_installs_silently_starts_and_uninstalls_keeping_the_settings)
  ventrel_python_cases(WineInstaller SCRIPT test_windows.py CLASS InstallerUnderWine TIMEOUT 300
    ENVIRONMENT ${wine_environment} SETUP=${VENTREL_SETUP}
    CASES ${case})
  set_tests_properties(WineInstaller.${case} PROPERTIES FIXTURES_REQUIRED windows_package)
endif()
