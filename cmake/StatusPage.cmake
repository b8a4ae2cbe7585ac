# The one place that names the statistics site. The program has no run-time way to change it;
# a test build points it at a loopback server instead.
set(STATUS_PAGE_HOST "pubg.statistics.tw" CACHE STRING "Host of the statistics site")
set(STATUS_PAGE_URL "https://${STATUS_PAGE_HOST}/statistics/server?hl=zh-CN"
    CACHE STRING "URL of the server-statistics page the program reads")
