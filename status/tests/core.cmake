pubg_add_gtest(status_core_tests
  SOURCES text_between_test.cpp status_evaluation_test.cpp
  LIBS pubg_core
  LABELS core)
