#include "status/page_retrieval.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <future>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "support/win32_handles.h"

namespace pubg {
namespace {

// The request looks like the one an old browser sends; the site answers it with the full page.
constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr char kVerb[] = "GET";
constexpr char kHttpVersion[] = "HTTP/1.0";
constexpr char kAcceptType[] = "Accept: */* \r\n";  // the blank before CR LF is part of it
constexpr char kExtraHeaders[] = "Accept: */*\r\n\r\n";
constexpr DWORD kExtraHeadersLength = sizeof(kExtraHeaders) - 1;
static_assert(kExtraHeadersLength == 15, "the extra header text is sent with its exact length");

// Always from the server, never into the cache.
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
static_assert(kRequestFlags == 0x84000000, "request flags");

constexpr DWORD kCanonicalUrlChars = INTERNET_MAX_URL_LENGTH;
static_assert(kCanonicalUrlChars == 2084, "first canonical-URL buffer");
constexpr DWORD kHostNameChars = 256;
constexpr DWORD kUrlPathChars = 2048;
constexpr DWORD kUserNameChars = 128;
constexpr DWORD kPasswordChars = 128;

constexpr DWORD kContentLengthChars = 32;
constexpr std::uint32_t kDefaultChunkBytes = 10240;
constexpr std::uint32_t kMaxChunkBytes = 102400;

// Far longer than the site ever takes, short enough that a stuck check ends well before the next.
constexpr std::uint32_t kConnectTimeoutMs = 10000;
constexpr std::uint32_t kSendTimeoutMs = 10000;
constexpr std::uint32_t kReceiveTimeoutMs = 10000;
constexpr std::uint32_t kWholeFetchMs = 30000;
// The real page is a few hundred KB; a body this large is no status page.
constexpr std::size_t kMaxBodyBytes = 8 * 1024 * 1024;

using Clock = std::chrono::steady_clock;

// The one root handle of the process, opened by the first fetch that needs it. Two first fetches may
// overlap, hence the lock; a failed open leaves it null for the next fetch to try again.
class InternetRoot {
 public:
  HINTERNET Get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!handle_) {
      handle_.reset(::InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    }
    return handle_.get();
  }

  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    handle_.reset();
  }

 private:
  std::mutex mutex_;
  UniqueInternet handle_;
};

InternetRoot& TheInternetRoot() {
  static InternetRoot root;
  return root;
}

// The time a fetch may still take.
class Deadline {
 public:
  explicit Deadline(std::uint32_t wholeFetchMs)
      : end_(Clock::now() + std::chrono::milliseconds(wholeFetchMs)) {}

  Clock::time_point End() const { return end_; }
  bool Passed() const { return Clock::now() >= end_; }

  // `timeoutMs`, or the time left when that is shorter (at least 1 ms: 0 would mean "no time-out").
  DWORD Cap(std::uint32_t timeoutMs) const {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now()).count();
    const long long capped = std::min<long long>(timeoutMs, left);
    return static_cast<DWORD>(std::max<long long>(capped, 1));
  }

 private:
  Clock::time_point end_;
};

struct UrlParts {
  INTERNET_SCHEME scheme = INTERNET_SCHEME_UNKNOWN;
  INTERNET_PORT port = 0;
  Text host;
  Text objectName;  // the URL path with its query
  Text userName;
  Text password;
};

// The canonical form of `url`, or nothing. A URL longer than the first buffer gets a second call
// with the size the first one asked for.
std::optional<Text> CanonicalUrl(const Text& url) {
  Text buffer(kCanonicalUrlChars, '\0');
  DWORD length = kCanonicalUrlChars;
  if (::InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) {
    buffer.resize(length);
    return buffer;
  }
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
  buffer.assign(length, '\0');
  if (!::InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) return std::nullopt;
  buffer.resize(length);
  return buffer;
}

// Host, path with query, user name and password; no scheme text and no extra information, so the
// query stays on the path.
std::optional<UrlParts> CrackUrl(const Text& canonicalUrl) {
  std::vector<char> host(kHostNameChars), path(kUrlPathChars), user(kUserNameChars), password(kPasswordChars);
  URL_COMPONENTSA components{};
  components.dwStructSize = sizeof(components);
  components.lpszHostName = host.data();
  components.dwHostNameLength = kHostNameChars;
  components.lpszUrlPath = path.data();
  components.dwUrlPathLength = kUrlPathChars;
  components.lpszUserName = user.data();
  components.dwUserNameLength = kUserNameChars;
  components.lpszPassword = password.data();
  components.dwPasswordLength = kPasswordChars;
  if (!::InternetCrackUrlA(canonicalUrl.c_str(), 0, 0, &components)) return std::nullopt;

  UrlParts parts;
  parts.scheme = components.nScheme;
  parts.port = components.nPort;
  parts.host.assign(components.lpszHostName, components.dwHostNameLength);
  parts.objectName.assign(components.lpszUrlPath, components.dwUrlPathLength);
  parts.userName.assign(components.lpszUserName, components.dwUserNameLength);
  parts.password.assign(components.lpszPassword, components.dwPasswordLength);
  return parts;
}

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  ::InternetSetOptionA(handle, option, &milliseconds, sizeof(milliseconds));
}

// Without these WinINet waits on a silent server for as long as it likes. Set on the connection
// they pass on to its requests; set on the request once it is sent they reach the open socket.
void SetTimeouts(HINTERNET handle, const FetchLimits& limits, const Deadline& deadline) {
  SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, deadline.Cap(limits.connectTimeoutMs));
  SetTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, deadline.Cap(limits.sendTimeoutMs));
  SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.Cap(limits.receiveTimeoutMs));
}

// No proxy: the settings the connection would otherwise inherit are cleared.
void SetNoProxy(HINTERNET root, HINTERNET connection) {
  INTERNET_PROXY_INFO proxy{};
  proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
  proxy.lpszProxy = nullptr;
  proxy.lpszProxyBypass = nullptr;
  ::InternetSetOptionA(root, INTERNET_OPTION_PROXY, &proxy, sizeof(proxy));
  char emptyText[] = "";
  ::InternetSetOptionA(connection, INTERNET_OPTION_PROXY_USERNAME, emptyText, sizeof(emptyText));
  ::InternetSetOptionA(connection, INTERNET_OPTION_PROXY_PASSWORD, emptyText, sizeof(emptyText));
}

std::optional<Text> ContentLengthHeader(HINTERNET request) {
  char buffer[kContentLengthChars] = {};
  DWORD length = kContentLengthChars;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, buffer, &length, nullptr)) return std::nullopt;
  return Text(buffer, std::min<DWORD>(length, kContentLengthChars));
}

// Leading white space, an optional sign, decimal digits up to the first non-digit; no digit gives 0.
// Beyond the 32-bit range the value saturates.
std::int32_t LeadingInteger(TextView text) {
  std::size_t at = 0;
  while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  constexpr long long kLimit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = std::min(value * 10 + (text[at] - '0'), kLimit);
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min<long long>(value, kLimit - 1));
}

// The body, read in chunks until the server ends it, a read fails, the cap is reached or the time
// is up. Nothing when the time is up.
std::optional<ByteArray> ReadBody(HINTERNET request, const FetchLimits& limits, const Deadline& deadline) {
  const std::uint32_t chunkBytes = ReadChunkSize(ContentLengthHeader(request));
  std::vector<std::uint8_t> chunk;
  try {
    chunk.resize(chunkBytes);
  } catch (const std::bad_alloc&) {
    return ByteArray{};
  }

  ByteArray body;
  while (body.size() < limits.maxBodyBytes) {
    if (deadline.Passed()) return std::nullopt;
    // Each wait for the socket ends with the fetch's time.
    SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, deadline.Cap(limits.receiveTimeoutMs));
    // Wait for what has arrived and read only that. A read of a whole chunk waits until the chunk is
    // full, and a server that sends a byte now and then keeps it waiting past every time-out.
    DWORD available = 0;
    if (!::InternetQueryDataAvailable(request, &available, 0, 0) || available == 0) break;
    DWORD read = 0;
    if (!::InternetReadFile(request, chunk.data(), std::min<DWORD>(available, chunkBytes), &read)) break;
    if (read == 0) break;
    const std::size_t room = limits.maxBodyBytes - body.size();
    body.insert(body.end(), chunk.begin(), chunk.begin() + std::min<std::size_t>(read, room));
  }
  if (deadline.Passed()) return std::nullopt;
  return body;
}

// The handles of one fetch. The request is declared last so that it is closed first.
struct FetchHandles {
  UniqueInternet connection;
  UniqueInternet request;
};

// The body together with the handles that are still open. Closing them can take long (Wine first
// reads a body that is still flowing to its end), so the body is handed on before they are closed.
struct FetchOutcome {
  FetchHandles handles;
  ByteArray body;
};

FetchOutcome Fetch(const Text& url, const FetchLimits& limits, const Deadline& deadline) {
  FetchOutcome outcome;
  const std::optional<Text> canonical = CanonicalUrl(url);
  if (!canonical) return outcome;
  const std::optional<UrlParts> parts = CrackUrl(*canonical);
  if (!parts) return outcome;
  if (parts->scheme != INTERNET_SCHEME_HTTP && parts->scheme != INTERNET_SCHEME_HTTPS) return outcome;
  const DWORD flags = kRequestFlags | (parts->scheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);

  const HINTERNET root = TheInternetRoot().Get();
  if (!root) return outcome;

  FetchHandles& handles = outcome.handles;
  handles.connection.reset(::InternetConnectA(root, parts->host.c_str(), parts->port, parts->userName.c_str(),
                                              parts->password.c_str(), INTERNET_SERVICE_HTTP, 0, 0));
  if (!handles.connection) return outcome;
  SetNoProxy(root, handles.connection.get());
  SetTimeouts(handles.connection.get(), limits, deadline);

  const Text objectName = parts->objectName.substr(0, parts->objectName.find('#'));
  const char* acceptTypes[] = {kAcceptType, nullptr};
  handles.request.reset(::HttpOpenRequestA(handles.connection.get(), kVerb, objectName.c_str(), kHttpVersion,
                                           nullptr, acceptTypes, flags, 0));
  if (!handles.request) return outcome;
  SetTimeouts(handles.request.get(), limits, deadline);

  // The status code is not looked at: an error page is returned like the real one.
  if (!::HttpSendRequestA(handles.request.get(), kExtraHeaders, kExtraHeadersLength, nullptr, 0)) return outcome;
  if (deadline.Passed()) return outcome;

  std::optional<ByteArray> body = ReadBody(handles.request.get(), limits, deadline);
  if (body) outcome.body = std::move(*body);
  return outcome;
}

// The fetch runs on a thread of its own, and the caller waits for it no longer than the deadline.
// Under Wine the TLS handshake ignores every time-out (a server that accepts and stays silent holds
// it for ever), and a blocked WinINet call cannot be cancelled from outside; such a fetch is left to
// end by itself, closing its handles then, and its result is dropped.
ByteArray FetchWithinDeadline(const Text& url, const FetchLimits& limits, const Deadline& deadline) {
  auto delivery = std::make_shared<std::promise<ByteArray>>();
  std::future<ByteArray> result = delivery->get_future();
  try {
    std::thread([delivery, url, limits, deadline] {
      try {
        FetchOutcome fetched = Fetch(url, limits, deadline);
        delivery->set_value(std::move(fetched.body));
        // The handles close here, after the caller has the body.
      } catch (...) {
        delivery->set_value(ByteArray{});
      }
    }).detach();
  } catch (const std::system_error&) {
    return std::move(Fetch(url, limits, deadline).body);  // no thread to spare: the time-outs alone bound it
  }
  if (result.wait_until(deadline.End()) != std::future_status::ready) return {};
  return result.get();
}

}  // namespace

const FetchLimits kDefaultFetchLimits{kConnectTimeoutMs, kSendTimeoutMs, kReceiveTimeoutMs, kWholeFetchMs,
                                      kMaxBodyBytes};

std::uint32_t ReadChunkSize(std::optional<TextView> contentLength) {
  if (!contentLength) return kDefaultChunkBytes;
  const std::int32_t declared = LeadingInteger(*contentLength);
  if (declared <= 0) return kDefaultChunkBytes;
  // Compared unsigned: the largest lengths wrap past the limit and get the limit too.
  const std::uint32_t withTerminator = static_cast<std::uint32_t>(declared) + 1u;
  return withTerminator > kMaxChunkBytes ? kMaxChunkBytes : withTerminator;
}

ByteArray FetchStatusPage(TextView url) { return FetchStatusPage(url, kDefaultFetchLimits); }

ByteArray FetchStatusPage(TextView url, const FetchLimits& limits) {
  if (url.empty()) return {};
  const Deadline deadline(limits.wholeFetchMs);
  try {
    return FetchWithinDeadline(Text(url), limits, deadline);
  } catch (const std::bad_alloc&) {
    return {};  // the handles were closed on the way out
  }
}

void CloseInternetRoot() { TheInternetRoot().Close(); }

}  // namespace pubg
