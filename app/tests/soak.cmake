# Soak and bad-input runs of the test build against the loopback server, through its real window:
# one short soak and the bad-input cases in the test command; scripts/soak.sh runs the long soak.
add_executable(app_soak_tests
  program_under_test.cpp
  soak_log_lines.cpp
  soak_test.cpp
  bad_input_test.cpp)
target_link_libraries(app_soak_tests PRIVATE pubg_core loopback_control user32 gdi32 advapi32 GTest::gtest_main)
add_dependencies(app_soak_tests pubg-status-e2e)

set(pubg_soak_driver bash ${CMAKE_CURRENT_SOURCE_DIR}/e2e_driver.sh --port ${PUBG_E2E_PORT}
    --locale zh_CN.UTF-8 --code-page 936 --program $<TARGET_FILE:pubg-status-e2e>)
add_test(NAME app_soak_short COMMAND ${pubg_soak_driver} -- $<TARGET_FILE:app_soak_tests> --gtest_filter=Soak.*)
add_test(NAME app_bad_input COMMAND ${pubg_soak_driver} -- $<TARGET_FILE:app_soak_tests> --gtest_filter=BadInput*)
set_tests_properties(app_soak_short app_bad_input PROPERTIES
  TIMEOUT 300 LABELS "windows;e2e" RESOURCE_LOCK pubg_e2e_port_and_screen)
