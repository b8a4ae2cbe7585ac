#include "app/registry_values.h"

#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/win32_handles.h"

namespace pubg {
namespace {

struct StoredValue {
  DWORD type = REG_NONE;
  std::vector<BYTE> data;

  std::optional<std::uint32_t> Dword() const {
    if (type != REG_DWORD || data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    std::copy(data.begin(), data.end(), reinterpret_cast<BYTE*>(&value));
    return value;
  }
};

bool UserKeyExists(const Text& keyPath) {
  HKEY key = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  ::RegCloseKey(key);
  return true;
}

std::optional<StoredValue> ReadUserValue(const Text& keyPath, const Text& valueName) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return std::nullopt;
  const UniqueRegistryKey key(opened);
  StoredValue value;
  DWORD size = 0;
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (::RegQueryValueExA(key.get(), valueName.c_str(), nullptr, &value.type, value.data.data(), &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  return value;
}

std::optional<std::uint32_t> ReadUserDword(const Text& keyPath, const Text& valueName) {
  const std::optional<StoredValue> value = ReadUserValue(keyPath, valueName);
  return value ? value->Dword() : std::nullopt;
}

// Sets a key's access list from its text form, creating the key first when asked.
bool SetUserKeyAccess(const Text& keyPath, const char* accessList) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) return false;
  const UniqueRegistryKey key(opened);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(accessList, SDDL_REVISION_1, &descriptor, nullptr)) {
    return false;
  }
  const LONG result = ::RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, descriptor);
  ::LocalFree(descriptor);
  return result == ERROR_SUCCESS;
}

constexpr char kEveryoneDenied[] = "D:P(D;;KA;;;WD)";
constexpr char kEveryoneAllowed[] = "D:P(A;;KA;;;WD)";

bool CreateUserKey(const Text& keyPath, DWORD options) {
  HKEY key = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
    return false;
  }
  ::RegCloseKey(key);
  return true;
}

// A key of this process's own under HKEY_CURRENT_USER, removed with everything below it at the end.
// Keys that a case locked are opened up again first, so the whole tree can go.
class ScratchKeyTest : public ::testing::Test {
 protected:
  // The root is a stored key: a volatile key made on a missing path would make the root volatile too.
  void SetUp() override {
    ASSERT_FALSE(UserKeyExists(root_)) << root_;
    ASSERT_TRUE(CreateUserKey(root_, REG_OPTION_NON_VOLATILE));
  }
  void TearDown() override {
    for (const Text& locked : locked_) SetUserKeyAccess(locked, kEveryoneAllowed);
    ::RegDeleteTreeA(HKEY_CURRENT_USER, root_.c_str());
    EXPECT_FALSE(UserKeyExists(root_)) << "left behind: " << root_;
  }

  Text Key(TextView below) const { return root_ + "\\" + Text(below); }

  // A key whose access list shuts every caller out.
  void MakeLockedKey(const Text& keyPath) {
    ASSERT_TRUE(CreateUserKey(keyPath, REG_OPTION_NON_VOLATILE));
    locked_.push_back(keyPath);
    ASSERT_TRUE(SetUserKeyAccess(keyPath, kEveryoneDenied));
  }

  const Text root_ = "Software\\PubgStatusTests-" + std::to_string(::GetCurrentProcessId());
  std::vector<Text> locked_;
};

TEST_F(ScratchKeyTest, CreatesEveryMissingKeyAlongThePath) {
  const Text key = Key("one\\two\\three");
  ASSERT_FALSE(UserKeyExists(Key("one")));
  EXPECT_TRUE(WriteUserDword(key, "monitor.exe", 1));
  const std::optional<StoredValue> stored = ReadUserValue(key, "monitor.exe");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(stored->data.size(), 4u);
  EXPECT_EQ(stored->Dword(), 1u);
}

TEST_F(ScratchKeyTest, OverwritesWhateverTheValueHeld) {
  const Text key = Key("existing");
  ASSERT_TRUE(CreateUserKey(key, REG_OPTION_NON_VOLATILE));
  {
    HKEY opened = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
    const UniqueRegistryKey held(opened);
    const char text[] = "a string";
    ASSERT_EQ(::RegSetValueExA(held.get(), "as text", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text),
              ERROR_SUCCESS);
  }
  const struct {
    const char* name;
    std::uint32_t value;
  } writes[] = {{"monitor.exe", 10000}, {"monitor.exe", 0}, {"monitor.exe", 0xFFFFFFFFu}, {"as text", 0x12345678u}};
  for (const auto& w : writes) {
    SCOPED_TRACE(std::string(w.name) + " = " + std::to_string(w.value));
    EXPECT_TRUE(WriteUserDword(key, w.name, w.value));
    EXPECT_EQ(ReadUserDword(key, w.name), w.value);
  }
}

TEST_F(ScratchKeyTest, ValueNamesHoldGbkBytesAsGiven) {
  const Text key = Key("names");
  const struct {
    const char* description;
    Text name;
  } names[] = {
      {"欢迎光临.exe", "\xBB\xB6\xD3\xAD\xB9\xE2\xC1\xD9.exe"},
      {"吃鸡.exe", "\xB3\xD4\xBC\xA6.exe"},
      {"empty: the key's default value", ""},
  };
  for (const auto& n : names) {
    SCOPED_TRACE(n.description);
    EXPECT_TRUE(WriteUserDword(key, n.name, 7));
    EXPECT_EQ(ReadUserDword(key, n.name), 7u);
  }
  // Exactly these names, spelled byte for byte, and no others.
  HKEY opened = nullptr;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
  const UniqueRegistryKey held(opened);
  std::vector<Text> listed;
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD length = sizeof name;
    if (::RegEnumValueA(held.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    listed.emplace_back(name, length);
  }
  std::sort(listed.begin(), listed.end());
  std::vector<Text> expected;
  for (const auto& n : names) expected.push_back(n.name);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(listed, expected);
}

// Measured under Wine: a leading backslash is a bad path name, a component of 256 or more characters
// is refused, a stored key cannot have a volatile parent, and a locked key opens for no writing.
TEST_F(ScratchKeyTest, KeysThatCannotBeWrittenReportFailure) {
  ASSERT_TRUE(CreateUserKey(Key("volatile"), REG_OPTION_VOLATILE));
  MakeLockedKey(Key("locked"));
  const struct {
    const char* name;
    Text keyPath;
    Text valueName;
  } cases[] = {
      {"leading backslash", "\\" + root_ + "\\lead", "monitor.exe"},
      {"component too long", Key(std::string(256, 'k')), "monitor.exe"},
      {"stored key below a volatile one", Key("volatile\\child"), "monitor.exe"},
      {"key locked against everyone", Key("locked"), "monitor.exe"},
      {"value name too long", Key("names"), std::string(20000, 'n')},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(WriteUserDword(c.keyPath, c.valueName, 1));
  }
  EXPECT_FALSE(UserKeyExists(Key("volatile\\child")));
}

// Keys and values have names of their own: a path through a name that is a value is a new key.
TEST_F(ScratchKeyTest, PathThroughAValueNameMakesAKeyBesideTheValue) {
  ASSERT_TRUE(WriteUserDword(Key("holder"), "monitor.exe", 1));
  EXPECT_TRUE(WriteUserDword(Key("holder\\monitor.exe\\below"), "monitor.exe", 2));
  EXPECT_EQ(ReadUserDword(Key("holder"), "monitor.exe"), 1u);
  EXPECT_EQ(ReadUserDword(Key("holder\\monitor.exe\\below"), "monitor.exe"), 2u);
}

TEST_F(ScratchKeyTest, FeatureValuesAreWrittenEachWhateverBecameOfTheOther) {
  const struct {
    const char* name;
    const char* lockedFeature;  // null: nothing locked
    std::optional<std::uint32_t> gpuRendering;
    std::optional<std::uint32_t> browserEmulation;
  } cases[] = {
      {"both", nullptr, 1u, 10000u},
      {"gpu rendering locked", "FEATURE_GPU_RENDERING", std::nullopt, 10000u},
      {"browser emulation locked", "FEATURE_BROWSER_EMULATION", 1u, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Text featureControl = Key(c.name);
    if (c.lockedFeature) MakeLockedKey(featureControl + "\\" + c.lockedFeature);
    WriteBrowserFeatureValuesUnder(featureControl, "monitor.exe");
    EXPECT_EQ(ReadUserDword(featureControl + "\\FEATURE_GPU_RENDERING", "monitor.exe"), c.gpuRendering);
    EXPECT_EQ(ReadUserDword(featureControl + "\\FEATURE_BROWSER_EMULATION", "monitor.exe"), c.browserEmulation);
  }
}

// The real feature-control keys, with a value name no one else uses; the values are removed again,
// and so are the keys when this test made them.
TEST(BrowserFeatureValues, AreWrittenInTheFeatureControlKeysNamedAfterTheExecutable) {
  const Text root = "Software\\Microsoft\\Internet Explorer\\Main\\FeatureControl";
  EXPECT_EQ(Text(kFeatureControlKey), root);
  const Text valueName = "registry-values-test-" + std::to_string(::GetCurrentProcessId()) + ".exe";
  const struct {
    Text key;
    std::uint32_t expected;
    bool existedBefore;
  } features[] = {
      {root + "\\FEATURE_GPU_RENDERING", 1u, UserKeyExists(root + "\\FEATURE_GPU_RENDERING")},
      {root + "\\FEATURE_BROWSER_EMULATION", 10000u, UserKeyExists(root + "\\FEATURE_BROWSER_EMULATION")},
  };

  WriteBrowserFeatureValues(valueName);

  for (const auto& f : features) {
    SCOPED_TRACE(f.key);
    const std::optional<StoredValue> stored = ReadUserValue(f.key, valueName);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored->Dword(), f.expected);

    HKEY opened = nullptr;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, f.key.c_str(), 0, KEY_SET_VALUE, &opened), ERROR_SUCCESS);
    {
      const UniqueRegistryKey held(opened);
      EXPECT_EQ(::RegDeleteValueA(held.get(), valueName.c_str()), ERROR_SUCCESS);
    }
    if (!f.existedBefore) {
      EXPECT_EQ(::RegDeleteKeyA(HKEY_CURRENT_USER, f.key.c_str()), ERROR_SUCCESS);
    }
  }
}

}  // namespace
}  // namespace pubg
