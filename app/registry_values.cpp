#include "app/registry_values.h"

#include <windows.h>

#include "support/win32_handles.h"

namespace pubg {
namespace {

constexpr char kGpuRenderingFeature[] = "FEATURE_GPU_RENDERING";
constexpr char kBrowserEmulationFeature[] = "FEATURE_BROWSER_EMULATION";

constexpr std::uint32_t kGpuRenderingOn = 1;
// The engine's code for "Internet Explorer 10 standards mode".
constexpr std::uint32_t kEmulateInternetExplorer10 = 10000;

UniqueRegistryKey OpenOrCreateUserKey(const Text& keyPath) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
    return UniqueRegistryKey(key);
  }
  key = nullptr;
  if (::RegCreateKeyA(HKEY_CURRENT_USER, keyPath.c_str(), &key) == ERROR_SUCCESS) return UniqueRegistryKey(key);
  return UniqueRegistryKey();
}

Text FeatureKey(TextView featureControlKey, TextView feature) {
  Text path(featureControlKey);
  path += '\\';
  path += feature;
  return path;
}

}  // namespace

bool WriteUserDword(TextView keyPath, TextView valueName, std::uint32_t value) {
  const UniqueRegistryKey key = OpenOrCreateUserKey(Text(keyPath));
  if (!key) return false;
  const DWORD data = value;
  const Text name(valueName);
  return ::RegSetValueExA(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

void WriteBrowserFeatureValues(TextView executableName) {
  WriteBrowserFeatureValuesUnder(kFeatureControlKey, executableName);
}

void WriteBrowserFeatureValuesUnder(TextView featureControlKey, TextView executableName) {
  WriteUserDword(FeatureKey(featureControlKey, kGpuRenderingFeature), executableName, kGpuRenderingOn);
  WriteUserDword(FeatureKey(featureControlKey, kBrowserEmulationFeature), executableName,
                 kEmulateInternetExplorer10);
}

}  // namespace pubg
