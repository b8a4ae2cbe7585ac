#pragma once
// What runs once when the program ends, in the order it was registered.
#include <functional>
#include <vector>

namespace pubg {

// UI thread only.
class ExitRoutines {
 public:
  void Register(std::function<void()> routine);
  // Each routine once, in registration order; the list is empty afterwards, so a second call does nothing.
  void RunAll();

 private:
  std::vector<std::function<void()>> routines_;
};

}  // namespace pubg
