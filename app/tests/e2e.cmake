# End-to-end tests: the test build of the program, pointed at a loopback server on a fixed port,
# driven through its real window under Wine and Xvfb.
set(PUBG_E2E_PORT 18631 CACHE STRING "Loopback port the test build of the program reads its status page from")
pubg_add_program(pubg-status-e2e "http://127.0.0.1:${PUBG_E2E_PORT}/statistics/server?hl=zh-CN")
