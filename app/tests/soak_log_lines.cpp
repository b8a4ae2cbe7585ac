#include "app/tests/soak_log_lines.h"

#include <regex>

namespace pubg::e2e {
namespace {

constexpr char kStatePrefix[] = "\xB7\xFE\xCE\xF1\xC6\xF7\xD7\xB4\xCC\xAC\xA3\xBA";    // 服务器状态：
constexpr char kCountPrefix[] = " \xD4\xDA\xCF\xDF\xCD\xE6\xBC\xD2\xCA\xFD\xA3\xBA";  // " 在线玩家数："
constexpr std::size_t kStampAndBlankBytes = 20;  // "2018-03-05 07:08:09 "
constexpr std::size_t kLineEndBytes = 2;         // CR LF

}  // namespace

std::vector<std::string> SplitLogLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = bytes.find('\n'); end != std::string::npos; end = bytes.find('\n', start)) {
    lines.push_back(bytes.substr(start, end + 1 - start));
    start = end + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

bool IsWholeCheckLine(const std::string& line) {
  // '.' stops at CR and LF, so a stray line end inside the text fails the match.
  static const std::regex shape(std::string(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d )") + kStatePrefix + ".*" +
                                kCountPrefix + ".*\r\n$");
  return std::regex_match(line, shape);
}

std::string CheckLogText(const std::string& state, const std::string& count) {
  return kStatePrefix + state + kCountPrefix + count;
}

std::string TextOfCheckLine(const std::string& line) {
  if (line.size() < kStampAndBlankBytes + kLineEndBytes) return {};
  return line.substr(kStampAndBlankBytes, line.size() - kStampAndBlankBytes - kLineEndBytes);
}

}  // namespace pubg::e2e
