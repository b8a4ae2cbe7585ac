// What a start leaves behind: the notice from config.ini and the registry values; and the resources
// the executable carries. (The window's icons are checked in process: Wine cannot send WM_GETICON
// to another process.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/tests/program_under_test.h"
#include "status/tests/loopback_control.h"

namespace pubg::e2e {
namespace {

constexpr wchar_t kFeatureControlKey[] = L"Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl\\";
constexpr std::uint32_t kGpuRenderingValue = 1;
constexpr std::uint32_t kBrowserEmulationValue = 10000;
constexpr int kIconSize = 48;
constexpr int kIconBitsPerPixel = 32;
constexpr DWORD kIconImageBytes = 9640;  // BITMAPINFOHEADER, 48×48 BGRA, 48 rows of AND mask

TEST(StartupEnvironment, RunsUnderTheCodePageTheDriverAskedFor) {
  // The same suite runs under a Chinese and an English locale; this shows which one this is.
  const char* expected = std::getenv("PUBG_E2E_EXPECTED_ACP");
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(::GetACP(), static_cast<UINT>(std::strtoul(expected, nullptr, 10)));
  std::cout << "ANSI code page " << ::GetACP() << "\n";
}

TEST(StartupNotice, ShowsTwoSpacesAndTheNoticeFromConfigIni) {
  struct Case {
    const char* what;
    std::optional<std::string> configIni;  // GBK bytes; none: no config.ini at all
    std::wstring notice;
  };
  const std::vector<Case> cases = {
      {"Chinese notice", "[config]\r\nCheckTime=0\r\nMsgTxt=\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9\r\n",  // 欢迎光临
       L"  欢迎光临"},
      {"no config.ini", std::nullopt, L"  0"},
      {"empty notice", "[config]\r\nCheckTime=0\r\nMsgTxt=\r\n", L"  "},
      {"ampersand stays text", "[config]\r\nCheckTime=0\r\nMsgTxt=A&B\r\n", L"  A&B"},
      {"notice longer than the box",
       "[config]\r\nCheckTime=0\r\nMsgTxt=" + std::string(300, 'W') + "\r\n",
       L"  " + std::wstring(300, L'W')},
  };
  std::vector<std::unique_ptr<ProgramUnderTest>> programs;
  for (const Case& c : cases) {
    programs.push_back(std::make_unique<ProgramUnderTest>(L"notice.exe", c.configIni));
    ASSERT_TRUE(programs.back()->Start()) << c.what;
  }
  for (std::size_t i = 0; i < cases.size(); ++i) {
    // The notice is in place before the window is first shown.
    EXPECT_EQ(programs[i]->Caption(Label::Notice), cases[i].notice) << cases[i].what;
  }
}

std::optional<std::uint32_t> ReadUserDword(const std::wstring& key, const std::wstring& name) {
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof(data);
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY, &type, &data, &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(data)) {
    return std::nullopt;
  }
  return data;
}

TEST(StartupRegistry, WritesBothFeatureValuesNamedAfterTheExecutable) {
  const std::wstring exeName = L"e2e-registry-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
  const std::wstring gpuKey = std::wstring(kFeatureControlKey) + L"FEATURE_GPU_RENDERING";
  const std::wstring emulationKey = std::wstring(kFeatureControlKey) + L"FEATURE_BROWSER_EMULATION";
  for (const std::wstring& key : {gpuKey, emulationKey}) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), exeName.c_str());
    ASSERT_FALSE(ReadUserDword(key, exeName).has_value());
  }

  ProgramUnderTest program(exeName, std::string("[config]\r\nCheckTime=0\r\n"));
  ASSERT_TRUE(program.Start());
  // Written before the window is first shown.
  EXPECT_EQ(ReadUserDword(gpuKey, exeName), kGpuRenderingValue);
  EXPECT_EQ(ReadUserDword(emulationKey, exeName), kBrowserEmulationValue);

  for (const std::wstring& key : {gpuKey, emulationKey}) ::RegDeleteKeyValueW(HKEY_CURRENT_USER, key.c_str(), exeName.c_str());
}

// The executable's resources, read from the file without running it.
class ExecutableResources : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    const char* linuxPath = std::getenv(GetParam());
    ASSERT_NE(linuxPath, nullptr) << GetParam();
    path_ = L"Z:";
    for (const char* c = linuxPath; *c; ++c) path_ += (*c == '/') ? L'\\' : static_cast<wchar_t>(*c);
    module_ = ::LoadLibraryExW(path_.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module_, nullptr);
  }
  void TearDown() override {
    if (module_) ::FreeLibrary(module_);
  }

  std::string Resource(const wchar_t* name, const wchar_t* type) const {
    HRSRC found = ::FindResourceW(module_, name, type);
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(module_, found);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    return std::string(bytes, ::SizeofResource(module_, found));
  }

  std::wstring path_;
  HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct IconGroupHeader {
  WORD reserved, type, count;
};
#pragma pack(pop)

TEST_P(ExecutableResources, DefaultIconHoldsOne48x48ImageOf32Bits) {
  const std::string group = Resource(L"DEFAULT_ICON", RT_GROUP_ICON);
  ASSERT_EQ(group.size(), sizeof(IconGroupHeader) + sizeof(IconGroupEntry));
  const auto* header = reinterpret_cast<const IconGroupHeader*>(group.data());
  const auto* entry = reinterpret_cast<const IconGroupEntry*>(group.data() + sizeof(IconGroupHeader));
  EXPECT_EQ(header->type, 1);
  EXPECT_EQ(header->count, 1);
  EXPECT_EQ(entry->width, kIconSize);
  EXPECT_EQ(entry->height, kIconSize);
  EXPECT_EQ(entry->bitCount, kIconBitsPerPixel);
  EXPECT_EQ(entry->bytes, kIconImageBytes);

  const std::string image = Resource(MAKEINTRESOURCEW(entry->id), RT_ICON);
  ASSERT_EQ(image.size(), kIconImageBytes);
  const auto* bitmap = reinterpret_cast<const BITMAPINFOHEADER*>(image.data());
  EXPECT_EQ(bitmap->biWidth, kIconSize);
  EXPECT_EQ(bitmap->biHeight, 2 * kIconSize);
  EXPECT_EQ(bitmap->biBitCount, kIconBitsPerPixel);

  // Loadable at both window icon sizes.
  for (int size : {32, 16}) {
    HICON icon = static_cast<HICON>(::LoadImageW(module_, L"DEFAULT_ICON", IMAGE_ICON, size, size, 0));
    EXPECT_NE(icon, nullptr) << size;
    if (icon) ::DestroyIcon(icon);
  }
}

TEST_P(ExecutableResources, ManifestAsksForAdministratorAndCommonControlsSix) {
  const std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
  ASSERT_FALSE(manifest.empty());
  for (const char* wanted :
       {"level=\"requireAdministrator\"", "uiAccess=\"false\"", "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"", "publicKeyToken=\"6595b64144ccf1df\"", "processorArchitecture=\"x86\"",
        "type=\"win32\""}) {
    EXPECT_NE(manifest.find(wanted), std::string::npos) << wanted;
  }
  EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
  EXPECT_EQ(manifest.find("dpiAwareness"), std::string::npos);
}

TEST_P(ExecutableResources, VersionIsOneFourForAWindowsApplication) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path_.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(::GetFileVersionInfoW(path_.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length));
  EXPECT_EQ(info->dwFileVersionMS, MAKELONG(4, 1));
  EXPECT_EQ(info->dwFileVersionLS, 0u);
  EXPECT_EQ(info->dwProductVersionMS, MAKELONG(4, 1));
  EXPECT_EQ(info->dwProductVersionLS, 0u);
  EXPECT_EQ(info->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_APP));

  wchar_t* product = nullptr;
  ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\StringFileInfo\\080404b0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
  EXPECT_EQ(std::wstring(product), L"吃鸡服务器状态查询") << "the .rc is read as UTF-8";
}

INSTANTIATE_TEST_SUITE_P(ProgramAndTestBuild, ExecutableResources,
                         ::testing::Values("PUBG_E2E_PROGRAM", "PUBG_E2E_REAL_PROGRAM"));

}  // namespace
}  // namespace pubg::e2e
