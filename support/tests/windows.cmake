# Real files in the temp directory and beside the test executable, under Wine.
add_library(pubg_test_files STATIC scratch_directory.cpp)
target_link_libraries(pubg_test_files PUBLIC pubg_core)

pubg_add_gtest(support_windows_tests
  SOURCES log_writer_test.cpp this_module_test.cpp
  LIBS pubg_win pubg_test_files
  LABELS windows)
target_compile_definitions(support_windows_tests PRIVATE PUBG_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
