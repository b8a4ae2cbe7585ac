# Tests of page decoding and page retrieval, run under Wine.
# Wine maps Z: to the root of the Linux file system, so the test files are found at Z:<source path>.
set(pubg_testing_dir_for_wine "Z:${CMAKE_SOURCE_DIR}/testing")

pubg_add_gtest(status_decoding_tests
  SOURCES page_decoding_test.cpp
  LIBS pubg_win
  LABELS windows)
target_compile_definitions(status_decoding_tests PRIVATE PUBG_TESTING_DIR="${pubg_testing_dir_for_wine}")

# Puts the test CA into the Wine prefix's CurrentUser Root store and takes it out again.
add_executable(cert_store_tool cert_store_tool.cpp)
target_link_libraries(cert_store_tool PRIVATE pubg_core crypt32)

# The retrieval tests talk to real loopback servers that a driver script starts around them.
add_library(loopback_control STATIC loopback_control.cpp)
target_link_libraries(loopback_control PUBLIC pubg_core ws2_32)
target_compile_definitions(loopback_control PRIVATE PUBG_TESTING_DIR="${pubg_testing_dir_for_wine}")

# Two threads racing for the not yet opened root handle: needs a process of its own.
add_executable(status_first_fetch_tests first_fetch_test.cpp)
target_link_libraries(status_first_fetch_tests PRIVATE pubg_win loopback_control GTest::gtest_main)

add_executable(status_retrieval_tests page_retrieval_test.cpp)
target_link_libraries(status_retrieval_tests PRIVATE pubg_win loopback_control GTest::gtest_main)

add_test(NAME status_retrieval_tests
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/run_with_loopback_servers.sh $<TARGET_FILE:cert_store_tool>
          $<TARGET_FILE:status_first_fetch_tests> $<TARGET_FILE:status_retrieval_tests>)
set_tests_properties(status_retrieval_tests PROPERTIES TIMEOUT 300 LABELS windows)
