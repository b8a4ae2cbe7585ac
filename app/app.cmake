# The application: its window, labels, timer, the UI hand-off of worker writes, scheduling,
# start-up and exit, and the check cycle that ties the status routines to the window.
add_library(pubg_app STATIC
  ${CMAKE_CURRENT_LIST_DIR}/wide_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/window_layout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/label_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/timer_control.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_dispatcher.cpp
  ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
  ${CMAKE_CURRENT_LIST_DIR}/check_thread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/exit_routines.cpp
  ${CMAKE_CURRENT_LIST_DIR}/program.cpp
  ${PROJECT_SOURCE_DIR}/status/status_check.cpp)
target_link_libraries(pubg_app PUBLIC pubg_win user32 gdi32)

# pubg_add_program(<target> <url>): the program, reading the status page at <url>. The URL is built
# into the executable; nothing at run time changes it.
function(pubg_add_program target url)
  add_executable(${target} WIN32
    ${PROJECT_SOURCE_DIR}/app/main.cpp
    ${PROJECT_SOURCE_DIR}/status/status_page_url.cpp)
  target_compile_definitions(${target} PRIVATE PUBG_STATUS_PAGE_URL="${url}")
  target_link_libraries(${target} PRIVATE pubg_app pubg_resources)
endfunction()

pubg_add_program(pubg-status "${STATUS_PAGE_URL}")

# A look at a running window from outside: scripts/run-program.sh prints the labels with it.
add_executable(pubg-status-peek ${CMAKE_CURRENT_LIST_DIR}/window_peek.cpp)
target_link_libraries(pubg-status-peek PRIVATE pubg_app)
