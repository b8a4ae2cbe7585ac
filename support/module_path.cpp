#include "support/module_path.h"

#include "status/text_between.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

// Byte offset of the last `wanted` byte that begins a character, or npos.
std::size_t LastCharacter(TextView text, char wanted) {
  std::size_t last = TextView::npos;
  for (std::size_t at = 0; at < text.size(); at += IsLeadByte(text[at]) ? 2 : 1) {
    if (text[at] == wanted) last = at;
  }
  return last;
}

Text ReplaceAll(Text text, TextView from, TextView to) {
  for (std::size_t at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

}  // namespace

ModulePath SplitModulePath(TextView fullPath) {
  const std::size_t slash = LastCharacter(fullPath, '\\');
  if (slash == TextView::npos) return {Text(), Text(fullPath)};
  return {Text(fullPath.substr(0, slash)), Text(fullPath.substr(slash + 1))};
}

Text FileBesideExecutable(TextView runDirectory, TextView fileName) {
  Text path(runDirectory);
  path += '\\';
  path += fileName;
  return path;
}

Text DefaultLogPath(TextView runDirectory, TextView executableName) {
  Text name;
  const std::int32_t exe = FindFrom(executableName, ".exe"sv);
  if (exe != -1) {
    // Through ".exe" and the byte after it, then ".exe.log" folded to ".log". The folding touches
    // the file name only: a directory called x.exe.log stays as it is.
    name = Text(executableName.substr(0, static_cast<std::size_t>(exe) + 4));
    name = ReplaceAll(name + ".log", ".exe.log"sv, ".log"sv);
  } else {
    const std::size_t dot = LastCharacter(executableName, '.');
    name = Text(executableName.substr(0, dot == 0 ? TextView::npos : dot)) + ".log";
  }
  return FileBesideExecutable(runDirectory, name);
}

}  // namespace pubg
