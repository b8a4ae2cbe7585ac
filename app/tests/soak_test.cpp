// One program checking every second for a long while as the loopback server cycles through every
// kind of answer: good pages, error pages, no body at all, stalls, slow and oversized bodies. The
// program must stay answering, keep checking, write one whole log line per finished check, and hold
// as many handles and as much private memory at the end as after its first round.
//
// PUBG_SOAK_ROUNDS sets the rounds after the warm-up one (default: the short run of the test
// command); PUBG_SOAK_LONG=1 adds a body slower than the whole-fetch bound and a second stall to
// every round. scripts/soak.sh runs the long version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "app/tests/program_under_test.h"
#include "app/tests/soak_log_lines.h"
#include "status/tests/loopback_control.h"

namespace pubg::e2e {
namespace {

using testing_support::RecordedCount;
using testing_support::ServeNext;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

constexpr char kStatusPath[] = "/statistics/server";
constexpr char kConfig[] = "[config]\r\nCheckTime=1\r\nlogFlag=1\r\nMsgTxt=soak\r\n";
constexpr int kDefaultRounds = 2;

// The fetch gives up after 30 s whatever the server does; a check also waits up to a period for its
// tick. Beyond that with generous headroom, a check counts as hung.
constexpr Milliseconds kWholeFetchBound{30000};
constexpr Milliseconds kHangBound = kWholeFetchBound + Milliseconds{20000};
constexpr Milliseconds kWmNullPatience{5000};
constexpr Milliseconds kWmNullInterval{250};
constexpr Milliseconds kLookInterval{25};

// Above the 8 MiB body cap.
constexpr char kOversizedBytes[] = "9437184";

// After the warm-up round the program's figures may wander with the order in which worker threads
// end and the heap's free lists; measured here at no handle and a few KiB over a round. A leak of one
// handle or one body per check passes these after a few dozen checks.
constexpr std::size_t kHandleMargin = 8;
constexpr std::size_t kPrivateMarginBytes = 4u << 20;

const std::wstring kQueryFailed = L"查询失败";
const std::string kQueryFailedGbk = "\xB2\xE9\xD1\xAF\xCA\xA7\xB0\xDC";  // 查询失败

struct Phase {
  std::string serve;
  std::wstring state;  // captions shown
  std::wstring count;
  std::string loggedState;  // GBK, as logged
  std::string loggedCount;
};

Phase Page(const std::string& serve, const std::wstring& state, const std::wstring& count, const std::string& logged,
           const std::string& loggedCount) {
  return {serve, state, count, logged, loggedCount};
}
Phase NoMarkers(const std::string& serve) { return {serve, L"", L"0", "", "0"}; }
Phase NoBody(const std::string& serve) { return {serve, kQueryFailed, L"--", kQueryFailedGbk, "--"}; }

const Phase kNormal = Page("mode=page&file=normal.html", L"正常", L"1,234,567", "\xD5\xFD\xB3\xA3", "1,234,567");  // 正常

std::vector<Phase> Round(bool longRun) {
  std::vector<Phase> phases = {
      Page("mode=page&file=state_laggy.html", L"有些卡", L"987,654", "\xD3\xD0\xD0\xA9\xBF\xA8", "987,654"),  // 有些卡
      Page("mode=page&file=state_abnormal.html", L"异常", L"45,678", "\xD2\xEC\xB3\xA3", "45,678"),            // 异常
      Page("mode=page&file=state_shutdown.html", L"维护/停机", L"1,024", "\xCD\xA3\xBB\xFA", "1,024"),         // 停机
      Page("mode=page&file=state_unavailable.html", L"维护/停机", L"3,210", "\xB2\xBB\xBF\xC9\xD3\xC3",
           "3,210"),                                                                                            // 不可用
      Page("mode=page&file=state_unknown.html", L"维护中", L"12,345", "\xCE\xAC\xBB\xA4\xD6\xD0", "12,345"),  // 维护中
      Page("mode=chunked&file=compact.html", L"正常", L"1,234,567", "\xD5\xFD\xB3\xA3", "1,234,567"),
      NoMarkers("mode=status&code=404&file=not_found.html"),
      NoMarkers("mode=status&code=500&file=not_found.html"),
      // An error status whose body holds the markers is read like any page.
      Page("mode=status&code=500&file=state_abnormal.html", L"异常", L"45,678", "\xD2\xEC\xB3\xA3", "45,678"),
      NoMarkers("mode=close"),  // cut off after 1000 bytes
      NoBody("mode=empty"),
      NoMarkers(std::string("mode=bytes&size=") + kOversizedBytes),
      // 300 KB in 64 KiB pieces 100 ms apart: slow, well inside every bound.
      Page("mode=slow&delay_ms=100&step=65536&file=state_laggy.html", L"有些卡", L"987,654",
           "\xD3\xD0\xD0\xA9\xBF\xA8", "987,654"),
      NoBody("mode=stall"),  // answers nothing: the receive time-out ends it
  };
  if (longRun) {
    // 300 KB in 8 KiB pieces 2 s apart: each wait is short, the whole takes longer than the fetch may.
    phases.push_back(NoBody("mode=slow&delay_ms=2000&step=8192&file=normal.html"));
    phases.push_back(NoBody("mode=stall"));
  }
  phases.push_back(kNormal);  // every round ends on the same page, where the figures are taken
  return phases;
}

int EnvironmentNumber(const char* variable, int fallback) {
  const char* value = std::getenv(variable);
  return value && *value ? std::atoi(value) : fallback;
}

struct Figures {
  std::size_t handles = 0;
  std::size_t privateBytes = 0;
};

// The program under the soak with what the test has seen of it.
class SoakRun {
 public:
  SoakRun() : program_(L"soak.exe", std::string(kConfig)) {}

  ProgramUnderTest& Program() { return program_; }
  std::wstring LogPath() const { return program_.FileInRunDirectory(L"soak.log"); }
  std::vector<std::string> Lines() const { return SplitLogLines(ReadWholeFile(LogPath())); }
  int Served() const { return RecordedCount(ServerPort(), kStatusPath) - servedAtStart_; }

  void MarkStart() { servedAtStart_ = RecordedCount(ServerPort(), kStatusPath); }

  // Waits for `condition`, asking the window for WM_NULL every so often; false when `bound` passed.
  template <typename Condition>
  bool WaitAnswering(Condition condition, Milliseconds bound) {
    const auto giveUp = Clock::now() + bound;
    auto nextProbe = Clock::now();
    for (;;) {
      if (Clock::now() >= nextProbe) {
        ++probes_;
        if (!AnswersWmNull(program_.Window(), kWmNullPatience)) ++unanswered_;
        nextProbe = Clock::now() + kWmNullInterval;
      }
      if (condition()) return true;
      if (Clock::now() >= giveUp) return false;
      ::Sleep(static_cast<DWORD>(kLookInterval.count()));
    }
  }

  int Probes() const { return probes_; }
  int Unanswered() const { return unanswered_; }

  Figures Measure() const {
    const auto handles = HandleCountOf(::GetProcessId(program_.Process()));
    const auto privateBytes = PrivateBytesOf(program_.Process());
    EXPECT_TRUE(handles.has_value());
    EXPECT_TRUE(privateBytes.has_value());
    return {handles.value_or(0), privateBytes.value_or(0)};
  }

 private:
  ProgramUnderTest program_;
  int servedAtStart_ = 0;
  int probes_ = 0;
  int unanswered_ = 0;
};

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class Soak : public ::testing::Test {
 protected:
  void TearDown() override { ServeNext(ServerPort(), "mode=page&file=normal.html"); }
};

TEST_F(Soak, KeepsCheckingAnsweringAndLoggingWithoutGrowing) {
  const int rounds = std::max(1, EnvironmentNumber("PUBG_SOAK_ROUNDS", kDefaultRounds));
  const bool longRun = EnvironmentNumber("PUBG_SOAK_LONG", 0) == 1;
  const std::vector<Phase> round = Round(longRun);

  ServeNext(ServerPort(), kNormal.serve);
  SoakRun run;
  run.MarkStart();
  ASSERT_TRUE(run.Program().Start());

  std::set<std::string> expectedTexts;
  for (const Phase& phase : round) expectedTexts.insert(CheckLogText(phase.loggedState, phase.loggedCount));

  Milliseconds worstCheck{0};
  std::string worstServe;
  std::wstring lastUpdateLine;
  std::vector<Figures> figures;
  // Round 0 warms up: the first oversized body, the first stall, the heap's first growth.
  for (int r = 0; r <= rounds; ++r) {
    for (const Phase& phase : round) {
      SCOPED_TRACE("round " + std::to_string(r) + ": " + phase.serve);
      ServeNext(ServerPort(), phase.serve);
      // Requests the server has seen so far may still be of the last mode; the next one is of this.
      const int servedBefore = run.Served();
      const int target = servedBefore + 1;
      ASSERT_TRUE(run.WaitAnswering([&] { return run.Served() >= target; }, kHangBound * 2))
          << "no check began; the last update line is " << Narrow(run.Program().Caption(Label::Time));
      const auto began = Clock::now();
      std::vector<std::string> lines;
      ASSERT_TRUE(run.WaitAnswering(
          [&] {
            lines = run.Lines();
            return static_cast<int>(lines.size()) >= target;
          },
          kHangBound))
          << "no log line for check " << target << " within the hang bound; " << lines.size() << " lines";
      const auto took = std::chrono::duration_cast<Milliseconds>(Clock::now() - began);
      if (took > worstCheck) {
        worstCheck = took;
        worstServe = phase.serve;
      }

      const std::string& line = lines[static_cast<std::size_t>(target) - 1];
      EXPECT_TRUE(IsWholeCheckLine(line)) << line;
      EXPECT_EQ(TextOfCheckLine(line), CheckLogText(phase.loggedState, phase.loggedCount));
      // The next check of the same mode shows the same; none of another mode has begun.
      EXPECT_EQ(run.Program().Caption(Label::State), phase.state);
      EXPECT_EQ(run.Program().Caption(Label::PlayerCount), phase.count);
      const std::wstring updateLine = run.Program().Caption(Label::Time);
      EXPECT_EQ(updateLine.rfind(L"更新时间：", 0), 0u);
      EXPECT_GE(updateLine, lastUpdateLine) << "the update line went back";
      lastUpdateLine = updateLine;
      ASSERT_TRUE(run.Program().IsRunning());
    }
    figures.push_back(run.Measure());
    std::cout << "round " << r << ": " << run.Served() << " checks, " << figures.back().handles << " handles, "
              << figures.back().privateBytes / 1024 << " KiB private" << std::endl;
  }

  // A last stall holds one check open: every check the server saw before it has its line, that one
  // has none yet.
  ServeNext(ServerPort(), "mode=stall");
  const int servedBefore = run.Served();
  ASSERT_TRUE(run.WaitAnswering([&] { return run.Served() > servedBefore; }, kHangBound * 2));
  const int served = run.Served();
  const std::vector<std::string> lines = run.Lines();
  EXPECT_EQ(static_cast<int>(lines.size()), served - 1) << "one line per finished check";

  int unexpected = 0;
  for (const std::string& line : lines) {
    EXPECT_TRUE(IsWholeCheckLine(line)) << line;
    if (!expectedTexts.count(TextOfCheckLine(line))) ++unexpected;
  }
  EXPECT_EQ(unexpected, 0) << "lines whose text no page of the run gives";

  EXPECT_GT(run.Probes(), 0);
  EXPECT_EQ(run.Unanswered(), 0) << "of " << run.Probes() << " WM_NULL probes";

  const Figures& start = figures.front();
  const Figures& end = figures.back();
  std::cout << "soak: " << lines.size() << " checks logged, " << served << " seen by the server, "
            << run.Probes() << " WM_NULL probes answered " << run.Probes() - run.Unanswered() << "\n"
            << "soak: handles " << start.handles << " after warm-up, " << end.handles << " at the end\n"
            << "soak: private memory " << start.privateBytes / 1024 << " KiB after warm-up, "
            << end.privateBytes / 1024 << " KiB at the end\n"
            << "soak: worst check " << worstCheck.count() << " ms (" << worstServe << ")\n"
            << "soak: log lines " << lines.size() << std::endl;
  EXPECT_LE(end.handles, start.handles + kHandleMargin);
  EXPECT_LE(end.privateBytes, start.privateBytes + kPrivateMarginBytes);
}

}  // namespace
}  // namespace pubg::e2e
