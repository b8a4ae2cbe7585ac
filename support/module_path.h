#pragma once
// Path rules for the files that sit beside the executable.
#include "status/text.h"

namespace pubg {

struct ModulePath {
  Text RunDirectory;    // everything before the last backslash, no trailing backslash ("C:" for a drive root)
  Text ExecutableName;  // the part after the last backslash, extension included
};

// Splits the executable's full path at its last backslash, stepping over two-byte characters (a
// trail byte can be 0x5C). A path without a backslash is all name.
ModulePath SplitModulePath(TextView fullPath);

// A file beside the executable: the run directory, a backslash and the file name.
Text FileBesideExecutable(TextView runDirectory, TextView fileName);

// The log file beside the executable: the name with ".exe" replaced by ".log" (monitor.exe gives
// monitor.log, a.b.exe gives a.b.log). A name without ".exe" in lower case has its last extension
// replaced in any case (MONITOR.EXE gives MONITOR.log), and a name without extension gets ".log".
Text DefaultLogPath(TextView runDirectory, TextView executableName);

}  // namespace pubg
