#pragma once
// The program's log as the soak and bad-input runs read it: one line per finished check.
#include <string>
#include <vector>

namespace pubg::e2e {

// The bytes cut after each LF, every piece keeping its line end. A last piece without LF (a line
// still being written, or a torn one) comes last as it is.
std::vector<std::string> SplitLogLines(const std::string& bytes);

// A whole check line: "yyyy-mm-dd hh:mm:ss 服务器状态：<state> 在线玩家数：<count>" and CR LF, in GBK.
bool IsWholeCheckLine(const std::string& line);

// The line without its time stamp and line end: 服务器状态：<state> 在线玩家数：<count> (GBK).
std::string CheckLogText(const std::string& state, const std::string& count);

// The text of a whole check line after its time stamp and blank, without CR LF.
std::string TextOfCheckLine(const std::string& line);

}  // namespace pubg::e2e
