pubg_add_gtest(support_core_tests
  SOURCES timestamp_test.cpp module_path_test.cpp
  LIBS pubg_core
  LABELS core)
