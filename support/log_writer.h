#pragma once
// Appending one time-stamped line to the log file beside the executable.
#include <cstdint>
#include <optional>

#include "status/text.h"

namespace pubg {

// Appends "<time text> <text>\r\n" as one write at the end of the file, so lines from overlapping
// calls land whole. Absent path: the default log file beside the executable. Absent time text: the
// current local time in the default layout. Size limit in MiB (absent or <= 0: none): a file larger
// than the limit is deleted first. Reports nothing.
void AppendLog(TextView text, std::optional<TextView> path = std::nullopt,
               std::optional<TextView> timeText = std::nullopt, std::optional<std::int32_t> sizeLimitMb = std::nullopt);

}  // namespace pubg
