// The status page this executable reads, fixed when it is built: the real site for the program,
// a loopback server for the test build.
#include "status/page_retrieval.h"

#ifndef PUBG_STATUS_PAGE_URL
#error "PUBG_STATUS_PAGE_URL must name the status page this executable reads"
#endif

namespace pubg {

const char* const StatusPageUrl = PUBG_STATUS_PAGE_URL;

}  // namespace pubg
