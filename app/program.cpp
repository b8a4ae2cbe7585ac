#include "app/program.h"

#include "app/check_thread.h"
#include "app/registry_values.h"
#include "status/page_retrieval.h"
#include "support/this_module.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

constexpr TextView kNoticeIndent = "  "sv;
constexpr TextView kUpdatingCaption = "\xB8\xFC\xD0\xC2\xD6\xD0..."sv;  // 更新中...

// "C:" alone names the drive's current directory, not its root: a program in a drive's root
// must work in that root.
Text DirectoryToEnter(const Text& runDirectory) {
  if (runDirectory.size() == 2 && runDirectory[1] == ':') return runDirectory + "\\";
  return runDirectory;
}

}  // namespace

void Program::Run() {
  modulePath_ = ThisModulePath();
  ::SetCurrentDirectoryA(DirectoryToEnter(modulePath_.RunDirectory).c_str());

  // The exit routine, registered before the window exists. It shuts the workers' way into the window
  // first, so that a check still running shows and logs nothing while the program ends; the workers
  // keep their own share of the settings.
  exitRoutines_.Register([this] {
    if (window_) {
      if (auto dispatcher = window_->Dispatcher()) dispatcher->Close();
    }
    settings_.reset();
  });

  MainWindowEvents events;
  events.windowCreated = [this](MainWindow& window) { OnWindowCreated(window); };
  events.timerTick = [this] {
    if (window_) StartCheck(*window_);
  };
  events.closeDoubleClicked = [this] { EndProgram(kUserEndedExitCode); };
  events.timeLabelClicked = [this] { OnTimeLabelClicked(); };

  window_ = MainWindow::Create(instance_, std::move(events));
  if (!window_) ::ExitProcess(static_cast<UINT>(kWindowNotCreatedExitCode));

  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (window_->PreDispatch(message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  EndProgram(kUserEndedExitCode);
}

void Program::OnWindowCreated(MainWindow& window) {
  WriteBrowserFeatureValues(modulePath_.ExecutableName);
  settings_ = std::make_shared<const Settings>(LoadSettings());
  Text notice(kNoticeIndent);
  notice += settings_->NoticeText;
  window.SetCaption(LabelName::Notice, notice);
  StartCheck(window);
  window.SetTimerPeriod(settings_->CheckIntervalMs);
}

void Program::OnTimeLabelClicked() {
  if (!window_) return;
  window_->SetCaption(LabelName::Time, kUpdatingCaption);
  StartCheck(*window_);
}

void Program::StartCheck(MainWindow& window) { StartCheckThread(window.Dispatcher(), settings_, StatusPageUrl); }

void Program::EndProgram(int exitCode) {
  exitRoutines_.RunAll();
  CloseInternetRoot();
  if (window_) window_->Destroy();
  ::ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace pubg
