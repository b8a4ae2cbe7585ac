#include "app/tests/program_under_test.h"

#include <psapi.h>

#include <cstdlib>
#include <fstream>
#include <thread>

namespace pubg::e2e {
namespace {

constexpr wchar_t kMainWindowClass[] = L"PubgStatusMainWindow";
constexpr std::chrono::milliseconds kLookInterval{25};
constexpr wchar_t kUpdateLinePrefix[] = L"更新时间：";
constexpr int kBitsPerPixel = 24;
constexpr WORD kBmpSignature = 0x4D42;  // "BM"

// A Linux path from the driver script as this process sees it: Wine maps / to drive Z:.
std::wstring WindowsPathOfLinuxPath(const char* linuxPath) {
  std::wstring path = L"Z:";
  for (const char* c = linuxPath; *c; ++c) path += (*c == '/') ? L'\\' : static_cast<wchar_t>(*c);
  return path;
}

std::wstring RequiredPathFromEnvironment(const char* variable) {
  const char* value = std::getenv(variable);
  return value ? WindowsPathOfLinuxPath(value) : std::wstring();
}

std::wstring NewRunDirectory() {
  static int counter = 0;
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring path = std::wstring(temp) + L"pubg-e2e-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                      std::to_wstring(++counter);
  ::CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

void RemoveDirectoryWithFiles(const std::wstring& directory) {
  WIN32_FIND_DATAW found;
  {
    UniqueFindHandle search(::FindFirstFileW((directory + L"\\*").c_str(), &found));
    if (search) {
      do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") ::DeleteFileW((directory + L"\\" + name).c_str());
      } while (::FindNextFileW(search.get(), &found));
    }
  }
  ::RemoveDirectoryW(directory.c_str());
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

struct WindowSearch {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindProgramWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  wchar_t className[64];
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == search->processId && ::GetClassNameW(window, className, 64) &&
      std::wstring(className) == kMainWindowClass && ::IsWindowVisible(window)) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT Rect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

}  // namespace

std::uint16_t ServerPort() {
  const char* value = std::getenv("PUBG_E2E_PORT");
  return value ? static_cast<std::uint16_t>(std::strtoul(value, nullptr, 10)) : 0;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds patience) {
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(kLookInterval);
  }
}

const std::vector<LabelPlace>& ExpectedLabelPlaces() {
  static const std::vector<LabelPlace> places = {
      {Label::Close, Rect(381, 1, 29, 29)},         {Label::RightEdge, Rect(411, 8, 1, 1000)},
      {Label::BottomEdge, Rect(0, 264, 1000, 1)},   {Label::LeftEdge, Rect(0, 0, 1, 1000)},
      {Label::Time, Rect(15, 136, 384, 32)},        {Label::Title, Rect(0, 0, 420, 32)},
      {Label::Notice, Rect(15, 180, 384, 72)},      {Label::PlayerCount, Rect(244, 90, 155, 32)},
      {Label::CountCaption, Rect(15, 90, 216, 32)}, {Label::State, Rect(244, 42, 155, 32)},
      {Label::StateCaption, Rect(15, 42, 216, 32)},
  };
  return places;
}

RECT ExpectedRect(Label label) {
  for (const LabelPlace& place : ExpectedLabelPlaces()) {
    if (place.label == label) return place.rect;
  }
  return {};
}

ProgramUnderTest::ProgramUnderTest(const std::wstring& exeName, std::optional<std::string> configIni)
    : runDirectory_(NewRunDirectory()), exePath_(runDirectory_ + L"\\" + exeName) {
  ::CopyFileW(RequiredPathFromEnvironment("PUBG_E2E_PROGRAM").c_str(), exePath_.c_str(), FALSE);
  if (configIni) WriteBytes(FileInRunDirectory(L"config.ini"), *configIni);
}

ProgramUnderTest::~ProgramUnderTest() {
  if (IsRunning()) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), INFINITE);
  }
  RemoveDirectoryWithFiles(runDirectory_);
}

std::wstring ProgramUnderTest::FileInRunDirectory(const std::wstring& name) const {
  return runDirectory_ + L"\\" + name;
}

bool ProgramUnderTest::Start() {
  std::wstring commandLine = L"\"" + exePath_ + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  // Started from elsewhere: the program must find its config.ini beside itself, not in the current directory.
  if (!::CreateProcessW(exePath_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, L"C:\\",
                        &startup, &started)) {
    return false;
  }
  process_.reset(started.hProcess);
  UniqueKernelHandle thread(started.hThread);
  WindowSearch search{started.dwProcessId, nullptr};
  const bool shown = WaitUntil([&] {
    ::EnumWindows(&FindProgramWindow, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr || !IsRunning();
  });
  window_ = search.found;
  if (window_) threadId_ = ::GetWindowThreadProcessId(window_, nullptr);
  return shown && window_ != nullptr;
}

HWND ProgramUnderTest::LabelWindow(Label label) const {
  const RECT wanted = ExpectedRect(label);
  for (HWND child = ::GetWindow(window_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    if (SameRect(rect, wanted)) return child;
  }
  return nullptr;
}

std::wstring ProgramUnderTest::Caption(Label label) const {
  HWND labelWindow = LabelWindow(label);
  if (!labelWindow) return L"<no such label>";
  wchar_t text[1024] = {};
  ::GetWindowTextW(labelWindow, text, 1024);
  return text;
}

bool ProgramUnderTest::HasUpdateLine() const { return Caption(Label::Time).rfind(kUpdateLinePrefix, 0) == 0; }

bool ProgramUnderTest::WaitForCaption(Label label, const std::wstring& caption) const {
  return WaitUntil([&] { return Caption(label) == caption; });
}

bool ProgramUnderTest::WaitForCaptions(const std::wstring& state, const std::wstring& count) const {
  return WaitUntil([&] { return Caption(Label::State) == state && Caption(Label::PlayerCount) == count; });
}

std::optional<DWORD> ProgramUnderTest::WaitForExit(std::chrono::milliseconds patience) const {
  if (!process_) return std::nullopt;
  if (::WaitForSingleObject(process_.get(), static_cast<DWORD>(patience.count())) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

bool ProgramUnderTest::IsRunning() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

WindowPicture::WindowPicture(HWND window) {
  RECT rect;
  if (!::GetWindowRect(window, &rect)) return;
  width_ = rect.right - rect.left;
  height_ = rect.bottom - rect.top;
  ScopedWindowDc screen(nullptr);
  UniqueMemoryDc memory(::CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = kBitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  UniqueBitmap bitmap(::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (bitmap) {
    {
      ScopedSelectObject select(memory.get(), bitmap.get());
      ::BitBlt(memory.get(), 0, 0, width_, height_, screen.get(), rect.left, rect.top, SRCCOPY);
    }
    ::GdiFlush();
    const std::size_t stride = (static_cast<std::size_t>(width_) * 3 + 3) & ~static_cast<std::size_t>(3);
    const auto* first = static_cast<const std::uint8_t*>(bits);
    pixels_.assign(first, first + stride * static_cast<std::size_t>(height_));
  }
}

std::uint32_t WindowPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_.empty()) return 0xFFFFFFFF;
  const std::size_t stride = (static_cast<std::size_t>(width_) * 3 + 3) & ~static_cast<std::size_t>(3);
  const std::uint8_t* pixel = pixels_.data() + stride * static_cast<std::size_t>(y) + static_cast<std::size_t>(x) * 3;
  return static_cast<std::uint32_t>(pixel[0]) << 16 | static_cast<std::uint32_t>(pixel[1]) << 8 | pixel[2];
}

int WindowPicture::Count(const RECT& rect, std::uint32_t colour) const {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      if (At(x, y) == colour) ++count;
    }
  }
  return count;
}

std::vector<std::uint32_t> WindowPicture::Region(const RECT& rect) const {
  std::vector<std::uint32_t> colours;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) colours.push_back(At(x, y));
  }
  return colours;
}

bool WindowPicture::Save(const std::wstring& path) const {
  if (pixels_.empty()) return false;
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width_;
  header.biHeight = -height_;
  header.biPlanes = 1;
  header.biBitCount = kBitsPerPixel;
  header.biCompression = BI_RGB;
  header.biSizeImage = static_cast<DWORD>(pixels_.size());
  BITMAPFILEHEADER file{};
  file.bfType = kBmpSignature;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + header.biSizeImage;
  std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
  bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(reinterpret_cast<const char*>(pixels_.data()), pixels_.size());
  return WriteBytes(path, bytes);
}

std::wstring ArtifactPath(const std::wstring& fileName) {
  std::wstring directory = RequiredPathFromEnvironment("PUBG_E2E_ARTIFACTS");
  if (directory.empty()) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    directory = temp;
  }
  ::CreateDirectoryW(directory.c_str(), nullptr);
  return directory + L"\\" + fileName;
}

namespace {

// The system handle table as ntdll returns it (SystemHandleInformation); not in the SDK headers.
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
constexpr std::size_t kFirstHandleTableBytes = 1 << 16;
constexpr std::size_t kLargestHandleTableBytes = 64 << 20;

struct SystemHandleEntry {
  ULONG ownerProcessId;
  BYTE objectType;
  BYTE flags;
  USHORT handleValue;
  PVOID object;
  ACCESS_MASK access;
};

struct SystemHandleTable {
  ULONG count;
  SystemHandleEntry entries[1];
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

}  // namespace

std::optional<std::size_t> HandleCountOf(DWORD processId) {
  const auto query = reinterpret_cast<QuerySystemInformation>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return std::nullopt;
  std::vector<std::uint8_t> table(kFirstHandleTableBytes);
  for (;;) {
    ULONG needed = 0;
    const LONG status = query(kSystemHandleInformation, table.data(), static_cast<ULONG>(table.size()), &needed);
    if (status == kStatusInfoLengthMismatch && table.size() < kLargestHandleTableBytes) {
      table.resize(table.size() * 2);
      continue;
    }
    if (status != 0) return std::nullopt;
    break;
  }
  const auto* handles = reinterpret_cast<const SystemHandleTable*>(table.data());
  std::size_t count = 0;
  for (ULONG i = 0; i < handles->count; ++i) {
    if (handles->entries[i].ownerProcessId == processId) ++count;
  }
  return count;
}

std::optional<std::size_t> PrivateBytesOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return std::nullopt;
  return counters.PagefileUsage;
}

bool AnswersWmNull(HWND window, std::chrono::milliseconds patience) {
  DWORD_PTR result = 0;
  return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, static_cast<UINT>(patience.count()),
                               &result) != 0;
}

std::wstring FullCaption(const ProgramUnderTest& program, Label label) {
  HWND labelWindow = program.LabelWindow(label);
  if (!labelWindow) return L"<no such label>";
  const int length = ::GetWindowTextLengthW(labelWindow);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(labelWindow, text.data(), length + 1)));
  return text;
}

std::string ReadWholeFile(const std::wstring& path) {
  UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return {};
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

}  // namespace pubg::e2e
