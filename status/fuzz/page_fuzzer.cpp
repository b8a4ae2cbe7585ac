// Arbitrary bytes through the page routines: extraction, trimming, evaluation. Besides crashes and
// sanitizer reports, it checks the promises callers rely on.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

#include "status/status_evaluation.h"
#include "status/tests/find_from_reference.h"
#include "status/text_between.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool OccursAt(pubg::TextView text, pubg::TextView sought, std::int32_t position) {
  return position >= 1 && static_cast<std::size_t>(position) - 1 + sought.size() <= text.size() &&
         text.compare(static_cast<std::size_t>(position) - 1, sought.size(), sought) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string startMarker = input.ConsumeRandomLengthString(16);
  const std::string endMarker = input.ConsumeRandomLengthString(16);
  const auto startPosition = input.ConsumeIntegral<std::int32_t>();
  const auto maxLength = input.ConsumeIntegral<std::int32_t>();
  const bool useStart = input.ConsumeBool();
  const bool useMax = input.ConsumeBool();
  const bool reject = input.ConsumeBool();
  const std::string source = input.ConsumeRemainingBytesAsString();

  const std::int32_t found = pubg::FindFrom(source, startMarker, useStart ? std::optional(startPosition) : std::nullopt);
  Require(found == -1 || OccursAt(source, startMarker, found));
  Require(found == pubg::reference::FindFromByScan(source, startMarker, useStart ? std::optional(startPosition) : std::nullopt));

  std::int32_t valueLength = -1;
  std::int32_t valueStart = -1;
  pubg::TextBetweenOptions options;
  if (useStart) options.startPosition = startPosition;
  if (useMax) options.maxLength = maxLength;
  options.rejectLonger = reject;
  options.valueLength = &valueLength;
  options.valueStart = &valueStart;
  const pubg::Text value = pubg::TextBetween(source, startMarker, endMarker, options);
  Require(value.size() <= source.size());
  if (!value.empty()) {
    // The value lies in the source where valueStart says, and is no longer than valueLength.
    Require(valueStart >= 1 && valueLength >= static_cast<std::int32_t>(value.size()));
    Require(OccursAt(source, value, valueStart));
    Require(OccursAt(source, endMarker, valueStart + valueLength));
  }

  const pubg::Text trimmed = pubg::TrimSpaces(source);
  Require(source.find(trimmed) != std::string::npos);
  Require(pubg::TrimSpaces(trimmed).size() <= trimmed.size());

  const pubg::StatusEvaluationResult result = pubg::StatusEvaluation(source);
  Require(!result.PlayerCountText.empty());
  Require(result.StateDisplay.BackgroundColour.has_value() == result.StateDisplay.TextColour.has_value());
  Require(result.StateDisplay.BackgroundColour.has_value() || result.StateDisplay.Caption == result.StateText);
  return 0;
}
