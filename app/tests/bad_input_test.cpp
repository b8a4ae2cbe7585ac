// Bad input all the way through the real program: junk and huge config.ini files, an overlong
// notice, a log that cannot be written, a registry key that refuses writes, pages of random bytes
// and a page far beyond the body cap. Each gives its documented result and the window keeps answering.
#include <gtest/gtest.h>

#include <aclapi.h>

#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/tests/program_under_test.h"
#include "app/tests/soak_log_lines.h"
#include "status/tests/loopback_control.h"

namespace pubg::e2e {
namespace {

using testing_support::ControlGet;
using testing_support::RecordedCount;
using testing_support::ServeNext;

constexpr char kStatusPath[] = "/statistics/server";
constexpr std::chrono::milliseconds kWmNullPatience{5000};
constexpr std::uint32_t kJunkSeed = 20180305;
constexpr std::size_t kJunkBytes = 64 * 1024;
constexpr std::size_t kHugeConfigBytes = 40u << 20;
constexpr std::size_t kPaddingLineBytes = 1000;
constexpr std::size_t kLongNoticeBytes = 20000;
constexpr std::size_t kNoticeLimitBytes = 10239;  // the reader's 10240-byte buffer less its zero
constexpr char kFiftyMiB[] = "52428800";
// The body is cut at 8 MiB and dropped once evaluated; measured here, private memory after the
// check is within a few hundred KiB of before it.
constexpr std::size_t kPrivateMarginBytes = 4u << 20;

const std::wstring kDefaultNotice = L"  0";

std::string Junk(std::size_t size, std::uint32_t seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(generator));
  return bytes;
}

bool FileExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The update line has been written at least `checks` times since this was made.
class UpdateWatch {
 public:
  explicit UpdateWatch(const ProgramUnderTest& program) : program_(program) {}
  bool WaitForChecks(int checks) {
    return WaitUntil([&] {
      const std::wstring line = program_.Caption(Label::Time);
      if (program_.HasUpdateLine() && line != last_) {
        last_ = line;
        ++seen_;
      }
      return seen_ >= checks;
    });
  }

 private:
  const ProgramUnderTest& program_;
  std::wstring last_;
  int seen_ = 0;
};

class BadInput : public ::testing::Test {
 protected:
  void SetUp() override { ServeNext(ServerPort(), "mode=page&file=normal.html"); }
  void TearDown() override { ServeNext(ServerPort(), "mode=page&file=normal.html"); }
};

TEST_F(BadInput, ConfigOfBinaryJunkGivesTheDefaults) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const std::string junk = Junk(kJunkBytes, kJunkSeed);
  ASSERT_NE(junk.find('\0'), std::string::npos) << "the junk holds zero bytes";
  const std::vector<Case> cases = {
      {"random bytes", junk},
      {"random bytes behind a UTF-16 byte-order mark", "\xFF\xFE" + junk},
      {"random bytes behind a UTF-8 byte-order mark", "\xEF\xBB\xBF" + junk},
      {"zero bytes only", std::string(kJunkBytes, '\0')},
  };
  const int servedBefore = RecordedCount(ServerPort(), kStatusPath);
  std::vector<std::unique_ptr<ProgramUnderTest>> programs;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    programs.push_back(std::make_unique<ProgramUnderTest>(L"junk" + std::to_wstring(i) + L".exe", cases[i].bytes));
    ASSERT_TRUE(programs.back()->Start()) << cases[i].what;
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].what);
    ProgramUnderTest& program = *programs[i];
    EXPECT_EQ(program.Caption(Label::Notice), kDefaultNotice);
    // The check at start runs and shows the page; logFlag is off by default.
    EXPECT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
    EXPECT_TRUE(WaitUntil([&] { return program.HasUpdateLine(); }));
    EXPECT_FALSE(FileExists(program.FileInRunDirectory(L"junk" + std::to_wstring(i) + L".log")));
    EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));
  }
  EXPECT_GE(RecordedCount(ServerPort(), kStatusPath), servedBefore + static_cast<int>(cases.size()));
}

TEST_F(BadInput, HugeConfigIsReadToItsSectionAtTheEnd) {
  std::string config;
  config.reserve(kHugeConfigBytes + kPaddingLineBytes * 2);
  for (int section = 0; config.size() < kHugeConfigBytes; ++section) {
    config += "[padding" + std::to_string(section) + "]\r\nfiller=" + std::string(kPaddingLineBytes, 'p') + "\r\n";
  }
  config += "[config]\r\nCheckTime=0\r\nlogFlag=1\r\nMsgTxt=read past the padding\r\n";

  const int servedBefore = RecordedCount(ServerPort(), kStatusPath);
  ProgramUnderTest program(L"huge.exe", config);
  ASSERT_TRUE(program.Start());
  EXPECT_EQ(program.Caption(Label::Notice), L"  read past the padding");
  ASSERT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  // logFlag=1 came from the file: the one check (CheckTime=0) leaves its line.
  EXPECT_TRUE(WaitUntil([&] { return SplitLogLines(ReadWholeFile(program.FileInRunDirectory(L"huge.log"))).size() == 1; }));
  EXPECT_EQ(RecordedCount(ServerPort(), kStatusPath), servedBefore + 1);
  EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));
}

TEST_F(BadInput, OverlongNoticeIsCutAtTheReadersBuffer) {
  std::string notice;
  static const char kCycle[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (std::size_t i = 0; i < kLongNoticeBytes; ++i) notice += kCycle[i % (sizeof(kCycle) - 1)];
  ProgramUnderTest program(L"notice.exe", "[config]\r\nCheckTime=0\r\nMsgTxt=" + notice + "\r\n");
  ASSERT_TRUE(program.Start());
  const std::string kept = notice.substr(0, kNoticeLimitBytes);
  EXPECT_EQ(FullCaption(program, Label::Notice), L"  " + std::wstring(kept.begin(), kept.end()));
  EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));
  EXPECT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
}

TEST_F(BadInput, LogThatCannotBeWrittenLeavesChecksAsUsual) {
  enum class Obstacle { DirectoryInItsPlace, HeldWithoutSharing };
  struct Case {
    const char* what;
    Obstacle obstacle;
  };
  const std::vector<Case> cases = {
      {"a directory named like the log", Obstacle::DirectoryInItsPlace},
      {"the log held open without sharing", Obstacle::HeldWithoutSharing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ProgramUnderTest program(L"nolog.exe", std::string("[config]\r\nCheckTime=1\r\nlogFlag=1\r\nMsgTxt=nolog\r\n"));
    const std::wstring log = program.FileInRunDirectory(L"nolog.log");
    UniqueFile held;  // open without sharing: nobody else can open the log
    if (c.obstacle == Obstacle::DirectoryInItsPlace) {
      ASSERT_TRUE(::CreateDirectoryW(log.c_str(), nullptr));
    } else {
      held.reset(::CreateFileW(log.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(held);
    }
    // The obstacle holds: this process cannot append to that path either.
    EXPECT_FALSE(UniqueFile(::CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)));

    ASSERT_TRUE(program.Start());
    UpdateWatch watch(program);
    // Three checks: the timer keeps re-arming after every failed append.
    EXPECT_TRUE(watch.WaitForChecks(3));
    EXPECT_EQ(program.Caption(Label::State), L"正常");
    EXPECT_EQ(program.Caption(Label::PlayerCount), L"1,234,567");
    EXPECT_TRUE(program.IsRunning());
    EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));

    if (c.obstacle == Obstacle::DirectoryInItsPlace) {
      EXPECT_NE(::GetFileAttributesW(log.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
      // Empty: removable. The program may write its log once the directory is gone; the run
      // directory is cleared with the program.
      EXPECT_TRUE(::RemoveDirectoryW(log.c_str()));
    } else {
      LARGE_INTEGER size{};
      ASSERT_TRUE(::GetFileSizeEx(held.get(), &size));
      EXPECT_EQ(size.QuadPart, 0);
    }
  }
}

constexpr wchar_t kEmulationKey[] =
    L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_BROWSER_EMULATION";
constexpr wchar_t kGpuKey[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\FEATURE_GPU_RENDERING";
constexpr DWORD kDeniedRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;
constexpr DWORD kFixtureProbeValue = 1;

// Memory the security functions hand out, freed with LocalFree.
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle Invalid() { return nullptr; }
  static bool IsValid(Handle h) { return h != nullptr; }
  static void Close(Handle h) { ::LocalFree(h); }
};
using LocalMemory = UniqueResource<LocalMemoryTraits>;

bool HasUserValue(const wchar_t* key, const std::wstring& name) {
  return ::RegGetValueW(HKEY_CURRENT_USER, key, name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

// Denies everyone the right to write values or subkeys under the key while it lives, then puts the
// key's own access list back. Changing the list itself stays allowed, so it can be restored.
class WriteDeniedKey {
 public:
  explicit WriteDeniedKey(const wchar_t* path) {
    HKEY opened = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &opened,
                          nullptr) != ERROR_SUCCESS) {
      return;
    }
    key_.reset(opened);
    PACL originalDacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(key_.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, &originalDacl,
                          nullptr, &descriptor) != ERROR_SUCCESS) {
      return;
    }
    descriptor_.reset(descriptor);
    originalDacl_ = originalDacl;

    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidBytes = sizeof(everyone);
    if (!::CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidBytes)) return;
    EXPLICIT_ACCESSW deny{};
    deny.grfAccessPermissions = kDeniedRights;
    deny.grfAccessMode = DENY_ACCESS;
    deny.grfInheritance = NO_INHERITANCE;
    deny.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    deny.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    deny.Trustee.ptstrName = reinterpret_cast<LPWSTR>(everyone);
    PACL deniedDacl = nullptr;
    if (::SetEntriesInAclW(1, &deny, originalDacl_, &deniedDacl) != ERROR_SUCCESS) return;
    deniedDacl_.reset(deniedDacl);
    applied_ = ::SetSecurityInfo(key_.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 static_cast<PACL>(deniedDacl_.get()), nullptr) == ERROR_SUCCESS;
  }

  ~WriteDeniedKey() { Restore(); }
  WriteDeniedKey(const WriteDeniedKey&) = delete;
  WriteDeniedKey& operator=(const WriteDeniedKey&) = delete;

  bool Applied() const { return applied_; }

  bool Restore() {
    if (!applied_) return true;
    applied_ = ::SetSecurityInfo(key_.get(), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                 originalDacl_, nullptr) != ERROR_SUCCESS;
    return !applied_;
  }

 private:
  UniqueRegistryKey key_;
  LocalMemory descriptor_;  // owns the memory originalDacl_ points into
  PACL originalDacl_ = nullptr;
  LocalMemory deniedDacl_;
  bool applied_ = false;
};

TEST_F(BadInput, RegistryKeyThatRefusesWritesStillShowsTheWindowAndChecks) {
  const std::wstring exeName = L"regdeny-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kEmulationKey, exeName.c_str());
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kGpuKey, exeName.c_str());

  WriteDeniedKey denied(kEmulationKey);
  ASSERT_TRUE(denied.Applied());
  {
    // The key refuses this process too, both ways the program tries.
    HKEY opened = nullptr;
    EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, KEY_WRITE, &opened), ERROR_ACCESS_DENIED);
    if (opened) ::RegCloseKey(opened);
    HKEY created = nullptr;
    if (::RegCreateKeyW(HKEY_CURRENT_USER, kEmulationKey, &created) == ERROR_SUCCESS) {
      UniqueRegistryKey owner(created);
      EXPECT_NE(::RegSetValueExW(created, exeName.c_str(), 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&kFixtureProbeValue), sizeof(kFixtureProbeValue)),
                ERROR_SUCCESS);
    }
  }

  const int servedBefore = RecordedCount(ServerPort(), kStatusPath);
  ProgramUnderTest program(exeName, std::string("[config]\r\nCheckTime=0\r\nMsgTxt=registry\r\n"));
  ASSERT_TRUE(program.Start());
  EXPECT_EQ(program.Caption(Label::Notice), L"  registry");
  EXPECT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  EXPECT_EQ(RecordedCount(ServerPort(), kStatusPath), servedBefore + 1);
  EXPECT_FALSE(HasUserValue(kEmulationKey, exeName));
  EXPECT_TRUE(HasUserValue(kGpuKey, exeName)) << "the other value is written all the same";

  EXPECT_TRUE(denied.Restore());
  HKEY opened = nullptr;
  EXPECT_EQ(::RegOpenKeyExW(HKEY_CURRENT_USER, kEmulationKey, 0, KEY_WRITE, &opened), ERROR_SUCCESS)
      << "the key's access list is back";
  if (opened) ::RegCloseKey(opened);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kGpuKey, exeName.c_str());
}

bool IsValidUtf8(const std::string& bytes) {
  return ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                               0) > 0;
}

TEST_F(BadInput, PagesOfRandomBytesShowNoValues) {
  struct Case {
    std::string serve;
  };
  const std::vector<Case> cases = {
      {"mode=noise&size=65536&seed=1"},
      {"mode=noise&size=300000&seed=2"},
      {"mode=noise&size=3000000&seed=3"},
  };
  ProgramUnderTest program(L"noise.exe", std::string("[config]\r\nCheckTime=1\r\nlogFlag=1\r\nMsgTxt=noise\r\n"));
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.serve);
    ServeNext(ServerPort(), c.serve);
    // The page is what the fixture says: zero bytes and invalid UTF-8.
    const std::string page = ControlGet(ServerPort(), kStatusPath);
    EXPECT_NE(page.find('\0'), std::string::npos);
    EXPECT_FALSE(IsValidUtf8(page));
    ASSERT_TRUE(program.WaitForCaptions(L"", L"0"));
    EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));
    // Back to the real page between cases, so each case's captions are its own.
    ServeNext(ServerPort(), "mode=page&file=normal.html");
    ASSERT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  }
  // Every line whole, the noise checks' as "state empty, count 0".
  const std::vector<std::string> lines = SplitLogLines(ReadWholeFile(program.FileInRunDirectory(L"noise.log")));
  int noValues = 0;
  for (const std::string& line : lines) {
    EXPECT_TRUE(IsWholeCheckLine(line)) << line;
    if (TextOfCheckLine(line) == CheckLogText("", "0")) ++noValues;
  }
  EXPECT_GE(noValues, static_cast<int>(cases.size()));
  EXPECT_TRUE(program.IsRunning());
}

TEST_F(BadInput, FiftyMebibytePageIsCappedAndLeavesMemoryWhereItWas) {
  ProgramUnderTest program(L"big.exe", std::string("[config]\r\nCheckTime=1\r\nlogFlag=1\r\nMsgTxt=big\r\n"));
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  // One more check of the real page first: the heap has then grown to what a normal check needs.
  UpdateWatch warmUp(program);
  ASSERT_TRUE(warmUp.WaitForChecks(2));
  const std::optional<std::size_t> before = PrivateBytesOf(program.Process());
  ASSERT_TRUE(before.has_value());

  ServeNext(ServerPort(), std::string("mode=bytes&size=") + kFiftyMiB);
  ASSERT_TRUE(program.WaitForCaptions(L"", L"0"));
  EXPECT_TRUE(AnswersWmNull(program.Window(), kWmNullPatience));
  EXPECT_TRUE(WaitUntil([&] {
    const auto now = SplitLogLines(ReadWholeFile(program.FileInRunDirectory(L"big.log")));
    return !now.empty() && TextOfCheckLine(now.back()) == CheckLogText("", "0") && IsWholeCheckLine(now.back());
  })) << "the capped check completes with its line";

  ServeNext(ServerPort(), "mode=page&file=normal.html");
  ASSERT_TRUE(program.WaitForCaptions(L"正常", L"1,234,567"));
  UpdateWatch settle(program);
  ASSERT_TRUE(settle.WaitForChecks(2));
  const std::optional<std::size_t> after = PrivateBytesOf(program.Process());
  ASSERT_TRUE(after.has_value());
  std::cout << "50 MiB page: private memory " << *before / 1024 << " KiB before, " << *after / 1024
            << " KiB after" << std::endl;
  EXPECT_LE(*after, *before + kPrivateMarginBytes);
}

}  // namespace
}  // namespace pubg::e2e
