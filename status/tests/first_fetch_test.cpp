// Runs in a process of its own: the two fetches here must be the process's very first, so that both
// find the root handle not yet opened.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "status/page_retrieval.h"
#include "status/tests/loopback_control.h"

namespace pubg {
namespace {

using testing_support::PortFromEnvironment;
using testing_support::RecordedCount;
using testing_support::TestingFile;

constexpr int kThreads = 2;

// Lets every thread through at once, so that the fetches overlap as closely as threads allow.
class StartingGate {
 public:
  explicit StartingGate(int expected) : waiting_(expected) {}
  void ArriveAndWait() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (--waiting_ == 0) {
      opened_.notify_all();
      return;
    }
    opened_.wait(lock, [this] { return waiting_ == 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  int waiting_;
};

TEST(FirstFetchTest, TwoThreadsFetchingFirstBothGetThePage) {
  const std::uint16_t port = PortFromEnvironment("PUBG_HTTP_PORT");
  ASSERT_NE(port, 0) << "run through run_with_loopback_servers.sh";
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/page";
  const int before = RecordedCount(port, "/page");

  StartingGate gate(kThreads);
  ByteArray bodies[kThreads];
  std::thread threads[kThreads];
  for (int i = 0; i < kThreads; ++i) {
    threads[i] = std::thread([&, i] {
      gate.ArriveAndWait();
      bodies[i] = FetchStatusPage(url);
    });
  }
  for (std::thread& thread : threads) thread.join();

  const ByteArray page = TestingFile("pages/normal.html");
  for (const ByteArray& body : bodies) EXPECT_EQ(body, page);
  EXPECT_EQ(RecordedCount(port, "/page") - before, kThreads);
  CloseInternetRoot();
}

}  // namespace
}  // namespace pubg
