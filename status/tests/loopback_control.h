#pragma once
// A plain-HTTP client for the loopback test server's control routes, on raw sockets so that it
// shares nothing with the WinINet code under test.
#include <cstdint>
#include <string>
#include <string_view>

#include "status/text.h"

namespace pubg::testing_support {

// The port a driver script exported in `variable`, or 0 when it is missing.
std::uint16_t PortFromEnvironment(const char* variable);

// The body of GET `target` on 127.0.0.1:`port`; throws std::runtime_error when the server does not answer.
std::string ControlGet(std::uint16_t port, std::string_view target);

// The raw request heads the server recorded for `path` (all paths when empty), oldest first.
std::string RecordedHeads(std::uint16_t port, std::string_view path = {});
int RecordedCount(std::uint16_t port, std::string_view path);
void ForgetRecordedRequests(std::uint16_t port);
// What /statistics/server serves next, e.g. "mode=status&code=404&file=not_found.html".
void ServeNext(std::uint16_t port, std::string_view query);

// A file from the testing directory (pages/normal.html …), byte for byte.
ByteArray TestingFile(std::string_view relativePath);
// normal.html repeated and cut to `size` bytes: the body of the server's /big, /length and similar routes.
ByteArray PatternBytes(std::size_t size);

// A 127.0.0.1 port on which nothing listens (it was free a moment ago).
std::uint16_t UnusedPort();

// A 127.0.0.1 socket that listens and never accepts: the system completes the TCP handshake, and then
// nothing is ever read or written. Open for the listener's lifetime.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  std::uint16_t port() const { return port_; }

 private:
  std::uintptr_t socket_;
  std::uint16_t port_;
};

}  // namespace pubg::testing_support
