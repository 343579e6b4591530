// Explorer's folder menu entry in the registry, starting programs, the drive
// box and the program's own folder on Windows.

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>

#include "platform/drives.h"
#include "platform/program_folder.h"
#include "platform/shell_integration.h"
#include "platform/win32/win32_registry.h"
#include "support/temp_tree.h"

namespace korvint::platform {
namespace {

constexpr const wchar_t* kVerbKey = L"Folder\\shell\\Korvint scan";
constexpr const wchar_t* kCommandKey = L"Folder\\shell\\Korvint scan\\command";

bool key_exists(const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

// The number of values in `key`, and its default value as text.
struct KeyContent {
  DWORD values = 0;
  DWORD default_type = REG_NONE;
  std::wstring default_value;
};

KeyContent read_key(const wchar_t* key) {
  KeyContent content;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return content;
  RegQueryInfoKeyW(handle, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &content.values, nullptr,
                   nullptr, nullptr, nullptr);
  wchar_t buffer[1024] = {};
  DWORD bytes = sizeof buffer - sizeof(wchar_t);
  if (RegQueryValueExW(handle, L"", nullptr, &content.default_type, reinterpret_cast<BYTE*>(buffer), &bytes) ==
      ERROR_SUCCESS)
    content.default_value.assign(buffer, bytes / sizeof(wchar_t));
  RegCloseKey(handle);
  return content;
}

TEST(Win32Shell, TheFolderMenuEntryIsAddedAndRemovedIdempotently) {
  if (key_exists(kVerbKey)) GTEST_SKIP() << "an entry is installed here already; left untouched";
  const std::string folder = "C:\\Program Files\\K\xc3\xb8rvint";  // "Kørvint"
  for (int round = 0; round < 2; ++round) {
    const Status added = add_folder_menu_entry(folder);
    ASSERT_TRUE(added.ok()) << added.message();
  }
  const KeyContent verb = read_key(kVerbKey);
  EXPECT_TRUE(key_exists(kVerbKey));
  EXPECT_EQ(verb.values, 0u);
  const KeyContent command = read_key(kCommandKey);
  EXPECT_EQ(command.values, 1u);
  EXPECT_EQ(command.default_type, static_cast<DWORD>(REG_SZ));
  // The stored size includes the terminating NUL.
  EXPECT_EQ(command.default_value, std::wstring(L"C:\\Program Files\\K\u00f8rvint\\Korvint.exe /%1") + L'\0');

  for (int round = 0; round < 2; ++round) {
    const Status removed = remove_folder_menu_entry();
    ASSERT_TRUE(removed.ok()) << removed.message();
  }
  EXPECT_FALSE(key_exists(kCommandKey));
  EXPECT_FALSE(key_exists(kVerbKey));
}

TEST(Win32Shell, RegistryHelpersAnswerMinusOneOrZero) {
  // The key of an invalid root cannot be made; the registry's reason is kept.
  const HKEY invalid = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678));
  SetLastError(0);
  EXPECT_EQ(win32::CreateKey("Software\\Korvint test", invalid), 0);
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(win32::SetKeyValue(invalid, "Software\\Korvint test", "", "x"), 0);

  const std::string key = "Software\\Korvint test " + std::to_string(GetCurrentProcessId());
  EXPECT_EQ(win32::CreateKey(key, HKEY_CURRENT_USER), -1);
  EXPECT_EQ(win32::SetKeyValue(HKEY_CURRENT_USER, key, "name", "value"), -1);
  wchar_t buffer[64] = {};
  DWORD bytes = sizeof buffer;
  const std::wstring wide_key(key.begin(), key.end());
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, wide_key.c_str(), L"name", RRF_RT_REG_SZ, nullptr, buffer, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(buffer), L"value");
  EXPECT_EQ(bytes, sizeof L"value");
  EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, wide_key.c_str()), ERROR_SUCCESS);
}

TEST(Win32Shell, StartingAMissingProgramFailsNamingIt) {
  test::TempTree tree;
  const std::string missing = test::path_text(tree.root() / "no such program.exe");
  const Status started = start_program(missing);
  ASSERT_FALSE(started.ok());
  EXPECT_NE(started.message().find(missing), std::string::npos) << started.message();
}

TEST(Win32Shell, DrivesAreListedAsLowerCaseLettersWithTheirLabels) {
  const auto entries = drive_box_entries();
  ASSERT_FALSE(entries.empty());
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  bool system_drive_seen = false;
  for (const std::string& entry : entries) {
    ASSERT_GE(entry.size(), 2u);
    EXPECT_TRUE(std::islower(static_cast<unsigned char>(entry[0]))) << entry;
    EXPECT_EQ(entry[1], ':') << entry;
    if (entry.size() > 2) {
      EXPECT_EQ(entry.substr(2, 2), " [") << entry;
      EXPECT_EQ(entry.back(), ']') << entry;
    }
    if (entry[0] == std::tolower(static_cast<int>(windows[0]))) system_drive_seen = true;
  }
  EXPECT_TRUE(system_drive_seen);
}

TEST(Win32Shell, TheProgramFolderHoldsThisProgram) {
  const std::string folder = program_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_EQ(path_separator(), '\\');
  const std::string self = folder + "\\platform_win32_shell_test.exe";
  const std::wstring wide_self(self.begin(), self.end());  // the build folder's path is ASCII
  EXPECT_NE(GetFileAttributesW(wide_self.c_str()), INVALID_FILE_ATTRIBUTES) << self;
}

}  // namespace
}  // namespace korvint::platform
