#pragma once
// The program from its entry to its end: start-up, the message loop, the events' handlers, the exit.
#include <windows.h>

#include <memory>

#include "app/configuration.h"
#include "app/exit_routines.h"
#include "app/main_window.h"
#include "support/module_path.h"

namespace pubg {

constexpr int kUserEndedExitCode = 0;
constexpr int kWindowNotCreatedExitCode = -1;

// Lives on the UI thread's stack for the whole run; workers never see it.
class Program {
 public:
  explicit Program(HINSTANCE instance) : instance_(instance) {}

  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Does not return: the process ends through EndProgram.
  [[noreturn]] void Run();

 private:
  void OnWindowCreated(MainWindow& window);
  void OnTimeLabelClicked();
  void StartCheck(MainWindow& window);
  // Exit routines, the network root handle, the window, then the process. Checks still running are
  // cut off with the process; the closed dispatcher keeps them from showing or logging anything.
  [[noreturn]] void EndProgram(int exitCode);

  HINSTANCE instance_;
  ModulePath modulePath_;
  ExitRoutines exitRoutines_;
  std::shared_ptr<const Settings> settings_;  // shared with the workers, which may outlive this copy
  std::unique_ptr<MainWindow> window_;
};

}  // namespace pubg
