#include "app/exit_routines.h"

#include <utility>

namespace pubg {

void ExitRoutines::Register(std::function<void()> routine) { routines_.push_back(std::move(routine)); }

void ExitRoutines::RunAll() {
  std::vector<std::function<void()>> routines;
  routines.swap(routines_);
  for (auto& routine : routines) {
    if (routine) routine();
  }
}

}  // namespace pubg
