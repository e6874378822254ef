#include <gtest/gtest.h>
#include <windows.h>

#include "platform/win32/Win32Registry.h"
#include "app/Option.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

const char* const TestKey = "\\Software\\Varnholt\\Kestrove Registry Test\\";
const wchar_t* const TestKeyW = L"Software\\Varnholt\\Kestrove Registry Test";

class Win32Registry : public ::testing::Test {
 protected:
  Win32Registry() { RegDeleteTreeW(HKEY_CURRENT_USER, TestKeyW); }
  ~Win32Registry() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestKeyW); }

  // The type and raw bytes of a value, read straight from the registry.
  static bool RawValue(const wchar_t* name, DWORD& type, std::vector<BYTE>& data) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, TestKeyW, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    data.resize(size);
    if (rc == ERROR_SUCCESS) rc = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
  }
  static bool KeyExists() {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, TestKeyW, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  TRegistrySettingsStore Store{TestKey};
};

TEST_F(Win32Registry, ReadsCreateTheKeyAndGiveDefaults) {
  ASSERT_FALSE(KeyExists());
  EXPECT_EQ(ReadRegString(Store, "Language", "English"), "English");
  EXPECT_TRUE(KeyExists());
  TOption options(Store);
  EXPECT_EQ(options.ReportListCount, 50);
  EXPECT_EQ(options.ColorGradient, 16);
}

TEST_F(Win32Registry, WritesRegSzAndRegDword) {
  WriteRegString(Store, "Language", "Deutsch äö");
  WriteRegInteger(Store, "ReportListCount", -5);
  WriteRegBool(Store, "Filter-Size-Any", true);
  DWORD type = 0;
  std::vector<BYTE> data;
  ASSERT_TRUE(RawValue(L"Language", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(data.data())), L"Deutsch \u00e4\u00f6");
  ASSERT_TRUE(RawValue(L"ReportListCount", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  ASSERT_EQ(data.size(), 4u);
  EXPECT_EQ(*reinterpret_cast<const int32_t*>(data.data()), -5);
  ASSERT_TRUE(RawValue(L"Filter-Size-Any", type, data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(*reinterpret_cast<const DWORD*>(data.data()), 1u);

  EXPECT_EQ(ReadRegString(Store, "Language", ""), "Deutsch äö");
  EXPECT_EQ(ReadRegInteger(Store, "ReportListCount", 0), -5);
  EXPECT_TRUE(ReadRegBool(Store, "Filter-Size-Any", false));
}

TEST_F(Win32Registry, AnyNonZeroDwordIsTrueAndOtherTypesReadAsAbsent) {
  WriteRegInteger(Store, "Flag", 5);
  EXPECT_TRUE(ReadRegBool(Store, "Flag", false));
  WriteRegString(Store, "ReportListCount", "50");
  EXPECT_EQ(ReadRegInteger(Store, "ReportListCount", 9), 9);
  WriteRegInteger(Store, "Language", 1);
  EXPECT_EQ(ReadRegString(Store, "Language", "English"), "English");
  WriteRegString(Store, "Empty", "");
  EXPECT_EQ(ReadRegString(Store, "Empty", "x"), "");
}

}  // namespace
}  // namespace kv
