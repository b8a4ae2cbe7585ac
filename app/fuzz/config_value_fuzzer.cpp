// Arbitrary bytes as configuration values and executable names: number parsing, the timer period,
// timestamps of any date and the log path rule.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

#include "app/check_interval.h"
#include "app/text_to_integer.h"
#include "support/module_path.h"
#include "support/timestamp.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const auto layout = input.ConsumeIntegral<std::int32_t>();
  const auto when = input.ConsumeFloatingPoint<double>();
  const std::string name = input.ConsumeRandomLengthString(64);
  const std::string value = input.ConsumeRemainingBytesAsString();

  const std::int32_t seconds = pubg::TextToInteger(value);
  const std::int32_t interval = pubg::CheckIntervalMsFromSeconds(seconds);
  // The period never changes sign and never shrinks below the seconds it came from.
  Require((seconds > 0) == (interval > 0) && (seconds < 0) == (interval < 0));
  if (seconds > 0) Require(interval >= seconds);
  Require(pubg::FoldFullWidth(value).size() <= value.size());

  const pubg::Text stamp = pubg::FormatTimestamp(layout, when);
  Require(!stamp.empty() && stamp.size() <= 20);

  const pubg::ModulePath split = pubg::SplitModulePath(name);
  Require(split.RunDirectory.size() + split.ExecutableName.size() <= name.size());
  const pubg::Text log = pubg::DefaultLogPath(split.RunDirectory, split.ExecutableName);
  Require(log.size() >= 5 && log.compare(log.size() - 4, 4, ".log") == 0);
  return 0;
}
