#pragma once
// One HTTP(S) GET of the status page over WinINet.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "status/text.h"

namespace pubg {

// The status page this build reads; set at build time, never at run time.
extern const char* const StatusPageUrl;

// Bounds that keep a check from hanging or exhausting memory.
struct FetchLimits {
  std::uint32_t connectTimeoutMs;
  std::uint32_t sendTimeoutMs;
  std::uint32_t receiveTimeoutMs;
  std::uint32_t wholeFetchMs;   // a fetch still running past this is abandoned: empty result
  std::size_t maxBodyBytes;     // collecting stops here; the bytes so far are returned
};

extern const FetchLimits kDefaultFetchLimits;

// The response body as received (whatever the HTTP status), or the empty ByteArray when the fetch
// failed. Never throws; every handle it opens is closed before it returns.
ByteArray FetchStatusPage(TextView url);
ByteArray FetchStatusPage(TextView url, const FetchLimits& limits);

// Closes the process's one WinINet root handle; called once when the program ends.
void CloseInternetRoot();

// The size of each read, from the Content-Length header text (absent when the response has none):
// 10240 without a usable positive length, the length plus one up to 102400 at most.
std::uint32_t ReadChunkSize(std::optional<TextView> contentLength);

}  // namespace pubg
