#include "status/status_evaluation.h"

#include <array>

#include "status/text_between.h"

namespace pubg {
namespace {

using namespace std::string_view_literals;

constexpr Colour kWhite = 0xFFFFFF;

// "维护/停机" (maintenance / shut down), the one caption that is not the state word itself.
constexpr TextView kMaintenanceCaption = "\xCE\xAC\xBB\xA4/\xCD\xA3\xBB\xFA"sv;

struct StateRow {
  TextView word;
  TextView caption;  // empty: the word itself
  Colour background;
};

// Tried from top to bottom; each word is compared with the whole state text.
constexpr std::array<StateRow, 5> kStateTable{{
    {"\xD5\xFD\xB3\xA3"sv, {}, 0x339966},                 // 正常 normal: green
    {"\xD3\xD0\xD0\xA9\xBF\xA8"sv, {}, 0x33CCFF},         // 有些卡 somewhat laggy: amber
    {"\xD2\xEC\xB3\xA3"sv, {}, 0x3366FF},                 // 异常 abnormal: orange-red
    {"\xCD\xA3\xBB\xFA"sv, kMaintenanceCaption, 0x3333FF},  // 停机 shut down: red
    {"\xB2\xBB\xBF\xC9\xD3\xC3"sv, kMaintenanceCaption, 0x3333FF},  // 不可用 unavailable: red
}};

constexpr char kAsciiSpace = ' ';
constexpr TextView kFullWidthSpace = "\xA1\xA1"sv;  // 　 ideographic space

}  // namespace

// <a href="/statistics/server">, LF, 60 spaces, <strong>服务器:</strong>, LF, 56 spaces, <span>
const TextView StateStartMarker =
    "<a href=\"/statistics/server\">\n"
    "                                                            "
    "<strong>\xB7\xFE\xCE\xF1\xC6\xF7:</strong>\n"
    "                                                        "
    "<span>"sv;

// </span>, LF, 24 spaces, </a>, LF, 20 spaces, </div>, LF
const TextView StateEndMarker =
    "</span>\n"
    "                        </a>\n"
    "                    </div>\n"sv;

// <div id="alert">, LF, 16 spaces, <p>, LF, 20 spaces, LF, 20 spaces, 目前PUBG玩家人數: (traditional 數)
const TextView CountStartMarker =
    "<div id=\"alert\">\n"
    "                <p>\n"
    "                    \n"
    "                    "
    "\xC4\xBF\xC7\xB0PUBG\xCD\xE6\xBC\xD2\xC8\xCB\x94\xB5: "sv;

// 名 <a href="/statistics/playing"><em>
const TextView CountEndMarker = "\xC3\xFB <a href=\"/statistics/playing\"><em>"sv;

Text TrimSpaces(TextView text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    if (text[begin] == kAsciiSpace) {
      begin += 1;
    } else if (text.substr(begin, 2) == kFullWidthSpace) {
      begin += 2;
    } else {
      break;
    }
  }

  // Walk the rest by characters, remembering where the latest run of spaces began.
  std::size_t end = text.size();
  std::size_t runStart = TextView::npos;
  std::size_t at = begin;
  while (at < text.size()) {
    if (text[at] == kAsciiSpace) {
      if (runStart == TextView::npos) runStart = at;
      at += 1;
    } else if (IsLeadByte(text[at])) {
      if (at + 1 == text.size()) {  // a two-byte character cut off: drop its lead byte alone
        runStart = TextView::npos;
        end = at;
        break;
      }
      if (text.substr(at, 2) == kFullWidthSpace) {
        if (runStart == TextView::npos) runStart = at;
      } else {
        runStart = TextView::npos;
      }
      at += 2;
    } else {
      runStart = TextView::npos;
      at += 1;
    }
  }
  if (runStart != TextView::npos) end = runStart;
  return Text(text.substr(begin, end - begin));
}

StatusEvaluationResult StatusEvaluation(TextView page) {
  StatusEvaluationResult result;
  result.StateText = TextBetween(page, StateStartMarker, StateEndMarker);

  result.StateDisplay.Caption = result.StateText;
  for (const StateRow& row : kStateTable) {
    if (result.StateText != row.word) continue;
    if (!row.caption.empty()) result.StateDisplay.Caption = Text(row.caption);
    result.StateDisplay.BackgroundColour = row.background;
    result.StateDisplay.TextColour = kWhite;
    break;
  }

  Text count = TextBetween(page, CountStartMarker, CountEndMarker);
  // The trimmed count only decides whether it is blank; the count is kept as the page writes it.
  result.PlayerCountText = TrimSpaces(count).empty() ? Text("0") : std::move(count);
  return result;
}

}  // namespace pubg
