#pragma once
// The per-user registry values written at every start.
#include <cstdint>

#include "status/text.h"

namespace pubg {

// Where the browser engine looks, under HKEY_CURRENT_USER, for its per-executable feature switches.
inline constexpr char kFeatureControlKey[] = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";

// Stores `value` as a REG_DWORD named `valueName` in HKEY_CURRENT_USER\`keyPath`, creating the key and
// every missing key along the path. True when the value was stored.
bool WriteUserDword(TextView keyPath, TextView valueName, std::uint32_t value);

// The browser engine's feature-control values for this executable: FEATURE_GPU_RENDERING = 1 and
// FEATURE_BROWSER_EMULATION = 10000 under kFeatureControlKey, each named after `executableName`. Each
// write is tried whatever became of the other; failures are silent.
void WriteBrowserFeatureValues(TextView executableName);

// The same two values under another key in place of kFeatureControlKey.
void WriteBrowserFeatureValuesUnder(TextView featureControlKey, TextView executableName);

}  // namespace pubg
