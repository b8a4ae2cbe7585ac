#pragma once
// The operator's config.ini beside the executable, read once at start-up.
#include <cstdint>

#include "status/text.h"

namespace pubg {

// The values read once at start-up, constant afterwards. LoadSettings hands the record to its caller;
// the application holds it until the process ends, since a check still running on a worker thread
// reads it up to the very end.
struct Settings {
  Text ConfigPath;                    // run directory + "\config.ini"
  std::int32_t CheckIntervalMs = 0;   // CheckTime × 1000, saturated; <= 0: no periodic check
  Text LogFlagText;                   // logFlag as read; exactly "1" enables the log
  Text NoticeText;                    // MsgTxt as read (GBK)
};

// The run directory of this process, a backslash and "config.ini".
Text ConfigFilePath();

// GetPrivateProfileStringA with a 10240-byte buffer: the key's value (an empty one included), or the
// default when the file, the section or the key is missing.
Text ReadConfigValue(TextView path, TextView section, TextView key, TextView defaultText);

// Reads CheckTime (default "30"), logFlag ("0") and MsgTxt ("0") from the config file at `configPath`.
Settings LoadSettings(TextView configPath);

// Reads the settings from ConfigFilePath().
Settings LoadSettings();

}  // namespace pubg
