# Windows benchmarks, run under Wine by scripts/bench-all.sh. Built with everything else, never
# registered as tests: they print figures, they do not pass or fail on time.

# The floor of the start-up benchmark: an empty window and nothing else.
add_executable(bare_window WIN32 ${CMAKE_CURRENT_LIST_DIR}/bare_window.cpp)
target_link_libraries(bare_window PRIVATE user32 gdi32)

# Starting, watching and ending a measured program.
add_library(pubg_process_watch STATIC ${CMAKE_CURRENT_LIST_DIR}/process_watch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unix_process_times.cpp)
target_link_libraries(pubg_process_watch PUBLIC pubg_core psapi user32)

# The probes take Windows paths: wide arguments through wmain.
foreach(probe startup_probe ui_answer_probe idle_cpu_probe)
  add_executable(${probe} ${CMAKE_CURRENT_LIST_DIR}/${probe}.cpp)
  target_link_libraries(${probe} PRIVATE pubg_process_watch)
  target_link_options(${probe} PRIVATE -municode)
endforeach()

# Decode and evaluate the sample page; Wine maps Z: to the root of the Linux file system.
add_executable(check_cost_win ${CMAKE_CURRENT_LIST_DIR}/check_cost_win.cpp)
target_link_libraries(check_cost_win PRIVATE pubg_win pubg_process_watch)
target_compile_definitions(check_cost_win PRIVATE PUBG_TESTING_DIR="Z:${PROJECT_SOURCE_DIR}/testing")
