#include "status/tests/loopback_control.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pubg::testing_support {
namespace {

constexpr char kLoopbackAddress[] = "127.0.0.1";
constexpr char kHeadEnd[] = "\r\n\r\n";
constexpr int kReceiveBufferBytes = 65536;

class WinsockSession {
 public:
  WinsockSession() {
    WSADATA data{};
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  }
  ~WinsockSession() { ::WSACleanup(); }
  WinsockSession(const WinsockSession&) = delete;
  WinsockSession& operator=(const WinsockSession&) = delete;
};

class Socket {
 public:
  Socket() : socket_(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    if (socket_ == INVALID_SOCKET) throw std::runtime_error("socket failed");
  }
  ~Socket() { ::closesocket(socket_); }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  SOCKET get() const { return socket_; }

 private:
  SOCKET socket_;
};

sockaddr_in LoopbackAddress(std::uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = ::htons(port);
  ::inet_pton(AF_INET, kLoopbackAddress, &address.sin_addr);
  return address;
}

}  // namespace

std::uint16_t PortFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? static_cast<std::uint16_t>(std::strtoul(value, nullptr, 10)) : 0;
}

std::string ControlGet(std::uint16_t port, std::string_view target) {
  WinsockSession session;
  Socket socket;
  const sockaddr_in address = LoopbackAddress(port);
  if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    throw std::runtime_error("cannot connect to the loopback server on port " + std::to_string(port));
  }
  const std::string request = "GET " + std::string(target) + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";
  if (::send(socket.get(), request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
    throw std::runtime_error("cannot send to the loopback server");
  }
  std::string response;
  std::string buffer(kReceiveBufferBytes, '\0');
  for (;;) {
    const int received = ::recv(socket.get(), buffer.data(), kReceiveBufferBytes, 0);
    if (received <= 0) break;
    response.append(buffer.data(), static_cast<std::size_t>(received));
  }
  const std::size_t headEnd = response.find(kHeadEnd);
  if (headEnd == std::string::npos) throw std::runtime_error("no response head from the loopback server");
  return response.substr(headEnd + sizeof(kHeadEnd) - 1);
}

std::string RecordedHeads(std::uint16_t port, std::string_view path) {
  std::string target = "/__control/heads";
  if (!path.empty()) target += "?path=" + std::string(path);
  return ControlGet(port, target);
}

int RecordedCount(std::uint16_t port, std::string_view path) {
  const std::string reply = ControlGet(port, "/__control/count?path=" + std::string(path));
  const std::string key = "\"count\": ";
  const std::size_t at = reply.find(key);
  if (at == std::string::npos) throw std::runtime_error("unexpected count reply: " + reply);
  return std::atoi(reply.c_str() + at + key.size());
}

void ForgetRecordedRequests(std::uint16_t port) { ControlGet(port, "/__control/reset"); }

void ServeNext(std::uint16_t port, std::string_view query) {
  ControlGet(port, "/__control/next?" + std::string(query));
}

ByteArray TestingFile(std::string_view relativePath) {
  const std::string path = std::string(PUBG_TESTING_DIR) + "/" + std::string(relativePath);
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  return ByteArray(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

ByteArray PatternBytes(std::size_t size) {
  static const ByteArray page = TestingFile("pages/normal.html");
  ByteArray pattern;
  pattern.reserve(size);
  while (pattern.size() < size) {
    const std::size_t take = std::min(page.size(), size - pattern.size());
    pattern.insert(pattern.end(), page.begin(), page.begin() + static_cast<std::ptrdiff_t>(take));
  }
  return pattern;
}

std::uint16_t UnusedPort() {
  WinsockSession session;
  Socket socket;
  sockaddr_in address = LoopbackAddress(0);
  if (::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    throw std::runtime_error("cannot bind a loopback port");
  }
  int length = sizeof(address);
  ::getsockname(socket.get(), reinterpret_cast<sockaddr*>(&address), &length);
  return ::ntohs(address.sin_port);
}

SilentListener::SilentListener() {
  WSADATA data{};
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) throw std::runtime_error("WSAStartup failed");
  const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = LoopbackAddress(0);
  int length = sizeof(address);
  if (listener == INVALID_SOCKET ||
      ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener, SOMAXCONN) != 0 ||
      ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    if (listener != INVALID_SOCKET) ::closesocket(listener);
    ::WSACleanup();
    throw std::runtime_error("cannot listen on a loopback port");
  }
  socket_ = listener;
  port_ = ::ntohs(address.sin_port);
}

SilentListener::~SilentListener() {
  ::closesocket(static_cast<SOCKET>(socket_));
  ::WSACleanup();
}

}  // namespace pubg::testing_support
