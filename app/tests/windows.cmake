# The configuration reader against real config.ini files, the registry writer against the real
# registry of the Wine prefix.
pubg_add_gtest(app_windows_tests
  SOURCES configuration_test.cpp registry_values_test.cpp
  LIBS pubg_win pubg_test_files
  LABELS windows)
target_compile_definitions(app_windows_tests PRIVATE PUBG_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
