#pragma once
// Where this executable lives: the run directory and the executable's file name.
#include "support/module_path.h"

namespace pubg {

// From GetModuleFileNameA (260-byte buffer), split at the last backslash.
ModulePath ThisModulePath();

}  // namespace pubg
