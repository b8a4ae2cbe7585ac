# End-to-end tests: the test build of the program, pointed at a loopback server on a fixed port,
# driven through its real window under Wine and Xvfb.
set(PUBG_E2E_PORT 18631 CACHE STRING "Loopback port the test build of the program reads its status page from")
pubg_add_program(pubg-status-e2e "http://127.0.0.1:${PUBG_E2E_PORT}/statistics/server?hl=zh-CN")

add_executable(app_e2e_tests
  program_under_test.cpp
  synthetic_input.cpp
  window_layout_e2e_test.cpp
  input_e2e_test.cpp
  status_check_e2e_test.cpp
  startup_e2e_test.cpp)
target_link_libraries(app_e2e_tests PRIVATE pubg_core loopback_control user32 gdi32 advapi32 version GTest::gtest_main)
add_dependencies(app_e2e_tests pubg-status-e2e pubg-status)

# The window's parts in this process: labels, timer, the UI hand-off, the main window, a whole check.
# Linked with the resources, so the window finds its icon here too.
add_executable(app_window_tests
  message_pump.cpp
  ui_dispatcher_test.cpp
  timer_control_test.cpp
  label_control_test.cpp
  main_window_test.cpp
  status_check_test.cpp)
target_link_libraries(app_window_tests PRIVATE pubg_app pubg_resources GTest::gtest_main)
target_compile_definitions(app_window_tests PRIVATE PUBG_TESTING_DIR="Z:${PROJECT_SOURCE_DIR}/testing")

# Both suites under a Chinese and an English Wine locale (ANSI code page 936 and 1252): the window
# must show the same Chinese either way. One at a time: they share the port and the screen.
set(pubg_e2e_driver bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_driver.sh --port ${PUBG_E2E_PORT})
foreach(locale_and_code_page zh_CN.UTF-8:936 en_US.UTF-8:1252)
  string(REPLACE ":" ";" parts ${locale_and_code_page})
  list(GET parts 0 locale)
  list(GET parts 1 code_page)
  string(REGEX REPLACE "[_.].*" "" short ${locale})
  add_test(NAME app_window_${short}
    COMMAND ${pubg_e2e_driver} --locale ${locale} --code-page ${code_page} -- $<TARGET_FILE:app_window_tests>)
  add_test(NAME app_e2e_${short}
    COMMAND ${pubg_e2e_driver} --locale ${locale} --code-page ${code_page}
            --program $<TARGET_FILE:pubg-status-e2e> --real-program $<TARGET_FILE:pubg-status>
            --artifacts ${CMAKE_CURRENT_BINARY_DIR}/e2e-screens/${short} -- $<TARGET_FILE:app_e2e_tests>)
  set_tests_properties(app_window_${short} app_e2e_${short} PROPERTIES
    TIMEOUT 300 LABELS "windows;e2e" RESOURCE_LOCK pubg_e2e_port_and_screen)
endforeach()
