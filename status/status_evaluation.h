#pragma once
// The pure step of a check: the state word and the player count cut out of the status page.
#include <optional>

#include "status/text.h"

namespace pubg {

// How 标签3_State is to show a state word. The two colours are either both set or both absent;
// absent leaves the label's colours as they are.
struct StateDisplay {
  Text Caption;
  std::optional<Colour> BackgroundColour;
  std::optional<Colour> TextColour;
};

struct StatusEvaluationResult {
  Text StateText;        // the state word exactly as cut from the page
  pubg::StateDisplay StateDisplay;  // qualified: the field shares its type's name
  Text PlayerCountText;  // the count as the page writes it, or "0" when blank
};

// The markers hold the page's exact line breaks and indentation.
extern const TextView StateStartMarker;
extern const TextView StateEndMarker;
extern const TextView CountStartMarker;
extern const TextView CountEndMarker;

// The text without ASCII spaces and GBK full-width spaces (A1 A1) at both ends. A lone lead byte at
// the very end is dropped instead, and the spaces before it stay.
Text TrimSpaces(TextView text);

// Pure and reentrant: reads only the page.
StatusEvaluationResult StatusEvaluation(TextView page);

}  // namespace pubg
