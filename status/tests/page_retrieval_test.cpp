#include "status/page_retrieval.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

#include "status/tests/loopback_control.h"

namespace pubg {
namespace {

// Names each parameterised case after its table row.
struct CaseName {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& row) const { return row.param.name; }
};

using testing_support::PatternBytes;
using testing_support::PortFromEnvironment;
using testing_support::RecordedCount;
using testing_support::RecordedHeads;
using testing_support::ServeNext;
using testing_support::TestingFile;

// Short bounds keep the suite quick; the slow cases below are built to outlast them.
constexpr std::uint32_t kTestConnectTimeoutMs = 2000;
constexpr std::uint32_t kTestSendTimeoutMs = 2000;
constexpr std::uint32_t kTestReceiveTimeoutMs = 1500;
constexpr std::uint32_t kTestWholeFetchMs = 4000;
constexpr std::size_t kTestMaxBodyBytes = 400000;  // above every sample page, below /big/500000

constexpr FetchLimits kTestLimits{kTestConnectTimeoutMs, kTestSendTimeoutMs, kTestReceiveTimeoutMs,
                                  kTestWholeFetchMs, kTestMaxBodyBytes};
// A receive time-out longer than the whole fetch: only the whole-fetch bound can end a trickle.
constexpr FetchLimits kPatientReadLimits{kTestConnectTimeoutMs, kTestSendTimeoutMs, kTestWholeFetchMs * 4,
                                         kTestWholeFetchMs, kTestMaxBodyBytes};
// "Did not hang": far beyond any bound in use, so only a fetch that ignores its bounds trips it.
constexpr std::chrono::seconds kHangMargin{20};

constexpr char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

std::uint16_t HttpPort() { return PortFromEnvironment("PUBG_HTTP_PORT"); }

std::string HttpUrl(const std::string& target) {
  return "http://127.0.0.1:" + std::to_string(HttpPort()) + target;
}

class RetrievalTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(HttpPort(), 0) << "run through run_with_loopback_servers.sh";
    testing_support::ForgetRecordedRequests(HttpPort());
  }
};

// Each line of a raw request head, without its CR LF.
std::vector<std::string> HeadLines(const std::string& head) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < head.size()) {
    const std::size_t end = head.find("\r\n", at);
    if (end == std::string::npos || end == at) break;
    lines.push_back(head.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

// --- bodies ---------------------------------------------------------------------------------------

struct BodyCase {
  const char* name;
  const char* target;
  std::function<ByteArray()> expected;
};

class BodyTest : public RetrievalTest, public testing::WithParamInterface<BodyCase> {};

TEST_P(BodyTest, ReturnsTheBodyAsReceived) {
  const BodyCase& c = GetParam();
  const ByteArray body = FetchStatusPage(HttpUrl(c.target), kTestLimits);
  const ByteArray expected = c.expected();
  EXPECT_EQ(body.size(), expected.size());
  EXPECT_TRUE(body == expected) << "the bytes differ";
  EXPECT_EQ(RecordedCount(HttpPort(), TextView(c.target).substr(0, TextView(c.target).find('?'))), 1);
}

ByteArray NormalPage() { return TestingFile("pages/normal.html"); }

INSTANTIATE_TEST_SUITE_P(
    Routes, BodyTest,
    testing::Values(BodyCase{"Page", "/page", NormalPage},
                    BodyCase{"ChunkedWithoutContentLength", "/chunked", NormalPage},
                    BodyCase{"NotFoundPageBody", "/status/404", [] { return TestingFile("pages/not_found.html"); }},
                    BodyCase{"EmptyBody", "/empty", [] { return ByteArray{}; }},
                    BodyCase{"ClosedMidway", "/close-midway", [] { return PatternBytes(1000); }},
                    BodyCase{"LargerThanCapStopsAtCap", "/big/500000", [] { return PatternBytes(kTestMaxBodyBytes); }},
                    BodyCase{"BodyExactlyAtCap", "/big/400000", [] { return PatternBytes(kTestMaxBodyBytes); }}),
    CaseName());

// --- declared lengths that do not match the body ---------------------------------------------------

// The /length route sends this many bytes, closing the connection after them, whatever it declares.
constexpr std::size_t kLengthRouteBytes = 300000;

struct DeclaredLengthCase {
  const char* name;
  const char* declared;
  std::size_t atLeast;  // WinINet itself stops at a declared length it can read; up to there all must come
};

class DeclaredLengthTest : public RetrievalTest, public testing::WithParamInterface<DeclaredLengthCase> {};

TEST_P(DeclaredLengthTest, TakesTheBodyUpToWhereWinInetEndsIt) {
  const DeclaredLengthCase& c = GetParam();
  const ByteArray body = FetchStatusPage(HttpUrl(std::string("/length/") + c.declared), kTestLimits);
  std::printf("[ figure   ] Content-Length %s: %zu of %zu bytes\n", c.declared, body.size(), kLengthRouteBytes);
  const ByteArray sent = PatternBytes(kLengthRouteBytes);
  ASSERT_LE(body.size(), sent.size());
  EXPECT_TRUE(std::equal(body.begin(), body.end(), sent.begin())) << "not the start of what was sent";
  EXPECT_GE(body.size(), c.atLeast);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DeclaredLengthTest,
    testing::Values(DeclaredLengthCase{"Zero", "0", 0},
                    DeclaredLengthCase{"Negative", "-5", kLengthRouteBytes},
                    DeclaredLengthCase{"NotANumber", "abc", kLengthRouteBytes},
                    DeclaredLengthCase{"Smaller", "5000", 5000},
                    DeclaredLengthCase{"LargerThanChunkLimit", "200000", 200000},
                    DeclaredLengthCase{"LongerThanSent", "400000", kLengthRouteBytes}),
    CaseName());

// --- the request as the server saw it --------------------------------------------------------------

struct RequestCase {
  const char* name;
  const char* urlTarget;       // what follows host and port in the URL
  const char* expectedTarget;  // the request target the server must see
};

class RequestTest : public RetrievalTest, public testing::WithParamInterface<RequestCase> {};

TEST_P(RequestTest, SendsTheExactRequest) {
  const RequestCase& c = GetParam();
  const ByteArray body = FetchStatusPage(HttpUrl(c.urlTarget), kTestLimits);
  EXPECT_EQ(body, NormalPage());

  const std::string heads = RecordedHeads(HttpPort());
  const std::vector<std::string> lines = HeadLines(heads);
  ASSERT_FALSE(lines.empty()) << "the server saw no request";
  EXPECT_EQ(heads.find("\r\n\r\n") + 4, heads.size()) << "exactly one request expected:\n" << heads;
  // The whole head as WinINet puts it on the wire: the accept-types entry and the extra header text
  // end up as the one Accept line.
  const std::vector<std::string> expected{
      std::string("GET ") + c.expectedTarget + " HTTP/1.0",
      "Host: 127.0.0.1:" + std::to_string(HttpPort()),
      std::string("User-Agent: ") + kUserAgent,
      "Accept: */*",
  };
  EXPECT_EQ(lines, expected) << heads;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, RequestTest,
    testing::Values(RequestCase{"StatusPath", "/statistics/server?hl=zh-CN", "/statistics/server?hl=zh-CN"},
                    RequestCase{"FragmentIsCutOff", "/statistics/server?hl=zh-CN#alert", "/statistics/server?hl=zh-CN"},
                    RequestCase{"FragmentWithoutQuery", "/statistics/server#top", "/statistics/server"},
                    RequestCase{"QueryKept", "/statistics/server?a=1&b=2", "/statistics/server?a=1&b=2"}),
    CaseName());

// --- URLs that never reach the network ----------------------------------------------------------------

struct RefusedUrlCase {
  const char* name;
  std::function<std::string()> url;
};

class RefusedUrlTest : public RetrievalTest, public testing::WithParamInterface<RefusedUrlCase> {};

TEST_P(RefusedUrlTest, GivesEmptyWithoutAnyRequest) {
  EXPECT_TRUE(FetchStatusPage(GetParam().url(), kTestLimits).empty());
  EXPECT_EQ(RecordedHeads(HttpPort()), "");
}

INSTANTIATE_TEST_SUITE_P(
    Urls, RefusedUrlTest,
    testing::Values(
        RefusedUrlCase{"Empty", [] { return std::string(); }},
        RefusedUrlCase{"FtpScheme", [] { return "ftp://127.0.0.1:" + std::to_string(HttpPort()) + "/page"; }},
        RefusedUrlCase{"FileScheme", [] { return std::string("file:///C:/windows/win.ini"); }},
        RefusedUrlCase{"NotAUrl", [] { return std::string("status page"); }},
        RefusedUrlCase{"HostTooLong", [] { return "http://" + std::string(300, 'h') + "/page"; }}),
    CaseName());

// --- bounds ----------------------------------------------------------------------------------------

struct StuckServerCase {
  const char* name;
  const char* target;
  const FetchLimits* limits;
};

class StuckServerTest : public RetrievalTest, public testing::WithParamInterface<StuckServerCase> {};

TEST_P(StuckServerTest, GivesUpWithTheEmptyResult) {
  const StuckServerCase& c = GetParam();
  const auto started = std::chrono::steady_clock::now();
  const ByteArray body = FetchStatusPage(HttpUrl(c.target), *c.limits);
  const auto took = std::chrono::steady_clock::now() - started;
  std::printf("[ figure   ] %s gave up after %lld ms (whole-fetch bound %u ms)\n", c.name,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
              c.limits->wholeFetchMs);

  EXPECT_TRUE(body.empty()) << body.size() << " bytes";
  EXPECT_EQ(RecordedCount(HttpPort(), c.target), 1) << "the request must have reached the server";
  EXPECT_LT(took, std::chrono::milliseconds(c.limits->wholeFetchMs) + kHangMargin);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, StuckServerTest,
    testing::Values(StuckServerCase{"NeverAnswers", "/stall", &kTestLimits},
                    StuckServerCase{"NeverAnswersPatientReads", "/stall", &kPatientReadLimits},
                    StuckServerCase{"TricklesForever", "/trickle", &kPatientReadLimits}),
    CaseName());

// A peer that takes the connection and then says nothing, neither HTTP nor TLS.
struct SilentPeerCase {
  const char* name;
  const char* scheme;
};

class SilentPeerTest : public testing::TestWithParam<SilentPeerCase> {};

TEST_P(SilentPeerTest, GivesUpWithTheEmptyResult) {
  testing_support::SilentListener listener;
  const std::string url =
      std::string(GetParam().scheme) + "://127.0.0.1:" + std::to_string(listener.port()) + "/statistics/server";
  const auto started = std::chrono::steady_clock::now();
  EXPECT_TRUE(FetchStatusPage(url, kPatientReadLimits).empty());
  const auto took = std::chrono::steady_clock::now() - started;
  std::printf("[ figure   ] silent %s peer: gave up after %lld ms (whole-fetch bound %u ms)\n", GetParam().scheme,
              static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
              kPatientReadLimits.wholeFetchMs);
  EXPECT_LT(took, std::chrono::milliseconds(kPatientReadLimits.wholeFetchMs) + kHangMargin);
}

INSTANTIATE_TEST_SUITE_P(Schemes, SilentPeerTest,
                         testing::Values(SilentPeerCase{"Http", "http"}, SilentPeerCase{"TlsHandshake", "https"}),
                         CaseName());

TEST_F(RetrievalTest, EndlessBodyStopsAtTheCap) {
  const ByteArray body = FetchStatusPage(HttpUrl("/endless"), kTestLimits);
  ASSERT_EQ(body.size(), kTestMaxBodyBytes);
  // The server repeats one 16384-byte piece of the pattern.
  const ByteArray piece = PatternBytes(16384);
  for (std::size_t at = 0; at < body.size(); at += piece.size()) {
    const std::size_t length = std::min(piece.size(), body.size() - at);
    ASSERT_TRUE(std::equal(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(length),
                           body.begin() + static_cast<std::ptrdiff_t>(at)))
        << "differs in the piece at " << at;
  }
}

TEST_F(RetrievalTest, DefaultCapHoldsAFewMegabytes) {
  const std::size_t cap = kDefaultFetchLimits.maxBodyBytes;
  ASSERT_GT(cap, 1024u * 1024u);
  const ByteArray body = FetchStatusPage(HttpUrl("/big/" + std::to_string(cap + cap / 4)));
  EXPECT_EQ(body.size(), cap);
  EXPECT_TRUE(body == PatternBytes(cap));
}

TEST_F(RetrievalTest, DefaultBoundsAreSetAndConsistent) {
  const FetchLimits& limits = kDefaultFetchLimits;
  EXPECT_GT(limits.connectTimeoutMs, 0u);
  EXPECT_GT(limits.sendTimeoutMs, 0u);
  EXPECT_GT(limits.receiveTimeoutMs, 0u);
  EXPECT_LE(limits.receiveTimeoutMs, limits.wholeFetchMs);
  EXPECT_LE(limits.connectTimeoutMs, limits.wholeFetchMs);
  EXPECT_GE(limits.maxBodyBytes, TestingFile("pages/normal.html").size() * 10);
}

TEST_F(RetrievalTest, NothingListeningGivesEmpty) {
  const std::string url = "http://127.0.0.1:" + std::to_string(testing_support::UnusedPort()) + "/page";
  EXPECT_TRUE(FetchStatusPage(url, kTestLimits).empty());
}

// --- the status route that the server can switch ---------------------------------------------------

struct ModeCase {
  const char* name;
  const char* query;
  std::function<ByteArray()> expected;
};

class ModeTest : public RetrievalTest, public testing::WithParamInterface<ModeCase> {
 protected:
  void TearDown() override { ServeNext(HttpPort(), "mode=page&file=normal.html"); }
};

TEST_P(ModeTest, StatusRouteBodies) {
  ServeNext(HttpPort(), GetParam().query);
  const ByteArray body = FetchStatusPage(HttpUrl("/statistics/server?hl=zh-CN"), kTestLimits);
  EXPECT_TRUE(body == GetParam().expected()) << body.size() << " bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ModeTest,
    testing::Values(
        ModeCase{"StatePage", "mode=page&file=state_laggy.html", [] { return TestingFile("pages/state_laggy.html"); }},
        ModeCase{"ServerError", "mode=status&code=500&file=not_found.html",
                 [] { return TestingFile("pages/not_found.html"); }},
        ModeCase{"Chunked", "mode=chunked&file=compact.html", [] { return TestingFile("pages/compact.html"); }},
        ModeCase{"SlowButInTime", "mode=slow&delay_ms=5&step=100&file=compact.html",
                 [] { return TestingFile("pages/compact.html"); }},
        ModeCase{"Bytes", "mode=bytes&size=12345", [] { return ByteArray(12345, 'x'); }},
        ModeCase{"Empty", "mode=empty", [] { return ByteArray{}; }}),
    CaseName());

// --- long URLs and the root handle -------------------------------------------------------------------

TEST_F(RetrievalTest, UrlLongerThanTheFirstCanonicalBufferIsFetched) {
  const std::string query = "/page?pad=" + std::string(1990, 'q');
  const std::string url = "http://" + std::string(100, 'u') + ":" + std::string(100, 'p') + "@127.0.0.1:" +
                          std::to_string(HttpPort()) + query;
  ASSERT_GT(url.size(), 2084u);
  EXPECT_EQ(FetchStatusPage(url, kTestLimits), NormalPage());
  EXPECT_EQ(HeadLines(RecordedHeads(HttpPort(), "/page")).at(0), "GET " + query + " HTTP/1.0");
}

TEST_F(RetrievalTest, RootHandleIsReopenedAfterClosing) {
  EXPECT_EQ(FetchStatusPage(HttpUrl("/page"), kTestLimits), NormalPage());
  CloseInternetRoot();
  EXPECT_EQ(FetchStatusPage(HttpUrl("/page"), kTestLimits), NormalPage());
  EXPECT_EQ(RecordedCount(HttpPort(), "/page"), 2);
}

// --- HTTPS ---------------------------------------------------------------------------------------

struct HttpsCase {
  const char* name;
  const char* portVariable;
  const char* controlPortVariable;
  bool trusted;
};

// By name: Wine 8 matches the server name only against the certificate's DNS names, never its IP
// addresses, so https://127.0.0.1 fails even with a trusted certificate that names 127.0.0.1.
constexpr char kTlsHost[] = "localhost";

class HttpsTest : public testing::TestWithParam<HttpsCase> {};

TEST_P(HttpsTest, OnlyATrustedCertificateGivesTheBody) {
  const HttpsCase& c = GetParam();
  const std::uint16_t port = PortFromEnvironment(c.portVariable);
  const std::uint16_t control = PortFromEnvironment(c.controlPortVariable);
  ASSERT_NE(port, 0);
  ASSERT_NE(control, 0);
  testing_support::ForgetRecordedRequests(control);

  const std::string url = std::string("https://") + kTlsHost + ":" + std::to_string(port) +
                          "/statistics/server?hl=zh-CN";
  const ByteArray body = FetchStatusPage(url, kTestLimits);
  if (c.trusted) {
    EXPECT_TRUE(body == NormalPage()) << body.size() << " bytes";
    const std::vector<std::string> lines = HeadLines(RecordedHeads(control, "/statistics/server"));
    ASSERT_FALSE(lines.empty()) << "the server saw no request";
    EXPECT_EQ(lines[0], "GET /statistics/server?hl=zh-CN HTTP/1.0");
  } else {
    EXPECT_TRUE(body.empty()) << body.size() << " bytes";
    EXPECT_EQ(RecordedHeads(control), "") << "no request may pass a rejected certificate";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Certificates, HttpsTest,
    testing::Values(
        HttpsCase{"TrustedCa", "PUBG_HTTPS_TRUSTED_PORT", "PUBG_HTTPS_TRUSTED_CONTROL_PORT", true},
        HttpsCase{"SelfSigned", "PUBG_HTTPS_SELF_SIGNED_PORT", "PUBG_HTTPS_SELF_SIGNED_CONTROL_PORT", false},
        HttpsCase{"Expired", "PUBG_HTTPS_EXPIRED_PORT", "PUBG_HTTPS_EXPIRED_CONTROL_PORT", false}),
    CaseName());

// --- the read size -------------------------------------------------------------------------------

struct ChunkCase {
  const char* name;
  std::optional<TextView> contentLength;
  std::uint32_t expected;
};

class ChunkSizeTest : public testing::TestWithParam<ChunkCase> {};

TEST_P(ChunkSizeTest, FollowsTheDeclaredLength) {
  EXPECT_EQ(ReadChunkSize(GetParam().contentLength), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, ChunkSizeTest,
    testing::Values(ChunkCase{"NoHeader", std::nullopt, 10240},
                    ChunkCase{"Empty", TextView(""), 10240},
                    ChunkCase{"Zero", TextView("0"), 10240},
                    ChunkCase{"Negative", TextView("-5"), 10240},
                    ChunkCase{"NotANumber", TextView("abc"), 10240},
                    ChunkCase{"One", TextView("1"), 2},
                    ChunkCase{"Typical", TextView("5000"), 5001},
                    ChunkCase{"LeadingBlanksAndSign", TextView("  +42"), 43},
                    ChunkCase{"DigitsThenGarbage", TextView("12abc"), 13},
                    ChunkCase{"JustBelowLimit", TextView("102398"), 102399},
                    ChunkCase{"ReachesLimit", TextView("102399"), 102400},
                    ChunkCase{"AtLimit", TextView("102400"), 102400},
                    ChunkCase{"Above", TextView("200000"), 102400},
                    ChunkCase{"LargestInt", TextView("2147483647"), 102400},
                    ChunkCase{"Overflowing", TextView("99999999999999"), 102400},
                    ChunkCase{"OverflowingNegative", TextView("-99999999999999"), 10240}),
    CaseName());

}  // namespace
}  // namespace pubg
