pubg_add_gtest(app_core_tests
  SOURCES text_to_integer_test.cpp
  LIBS pubg_core
  LABELS core)
