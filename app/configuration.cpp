#include "app/configuration.h"

#include <windows.h>

#include "app/check_interval.h"
#include "app/text_to_integer.h"
#include "support/module_path.h"
#include "support/this_module.h"

namespace pubg {
namespace {

// A value is at most this many bytes less one; the reader cuts a longer one.
constexpr DWORD kValueBufferBytes = 10240;

constexpr char kConfigFileName[] = "config.ini";
constexpr char kSection[] = "config";

}  // namespace

Text ConfigFilePath() { return FileBesideExecutable(ThisModulePath().RunDirectory, kConfigFileName); }

Text ReadConfigValue(TextView path, TextView section, TextView key, TextView defaultText) {
  // The reader wants zero-terminated strings; a Text never holds a zero byte.
  const Text pathZ(path), sectionZ(section), keyZ(key), defaultZ(defaultText);
  // Kept off the stack: the UI thread calls this, and 10 KiB is a sizeable share of a small stack.
  Text buffer(kValueBufferBytes, '\0');
  const DWORD length = ::GetPrivateProfileStringA(sectionZ.c_str(), keyZ.c_str(),
                                                  defaultZ.empty() ? nullptr : defaultZ.c_str(), buffer.data(),
                                                  kValueBufferBytes, pathZ.c_str());
  // Up to the terminator, whatever the returned count says.
  buffer.resize(length < kValueBufferBytes ? length : kValueBufferBytes - 1);
  buffer.resize(TextView(buffer.c_str()).size());
  return buffer;
}

Settings LoadSettings(TextView configPath) {
  Settings settings;
  settings.ConfigPath = Text(configPath);
  settings.CheckIntervalMs =
      CheckIntervalMsFromSeconds(TextToInteger(ReadConfigValue(configPath, kSection, "CheckTime", "30")));
  settings.LogFlagText = ReadConfigValue(configPath, kSection, "logFlag", "0");
  settings.NoticeText = ReadConfigValue(configPath, kSection, "MsgTxt", "0");
  return settings;
}

Settings LoadSettings() { return LoadSettings(ConfigFilePath()); }

}  // namespace pubg
