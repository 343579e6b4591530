// Explorer's folder menu entry in the registry (checked with the system's own
// `reg query`), starting programs, the drive box and the program's own folder
// on Windows.

#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/program_folder.h"
#include "platform/shell_integration.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell_integration.h"
#include "support/child_process.h"
#include "support/temp_tree.h"

namespace korvint::platform {
namespace {

constexpr const wchar_t* kVerbKey = L"Software\\Classes\\Folder\\shell\\Korvint scan";
constexpr const wchar_t* kCommandKey = L"Software\\Classes\\Folder\\shell\\Korvint scan\\command";
const std::string kUserVerb = "HKEY_CURRENT_USER\\Software\\Classes\\Folder\\shell\\Korvint scan";
const std::string kMachineVerb = "HKEY_LOCAL_MACHINE\\Software\\Classes\\Folder\\shell\\Korvint scan";

bool key_exists(HKEY root, const wchar_t* key) {
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool entry_anywhere() { return key_exists(HKEY_CURRENT_USER, kVerbKey) || key_exists(HKEY_LOCAL_MACHINE, kVerbKey); }

void erase_everywhere() {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    RegDeleteKeyW(root, kCommandKey);
    RegDeleteKeyW(root, kVerbKey);
  }
}

// The number of values in `key`, and its default value as text.
struct KeyContent {
  DWORD values = 0;
  DWORD default_type = REG_NONE;
  std::wstring default_value;
};

KeyContent read_key(HKEY root, const wchar_t* key) {
  KeyContent content;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key, 0, KEY_READ, &handle) != ERROR_SUCCESS) return content;
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

// What the system's own `reg query KEY /ve` prints about the default value of
// KEY; empty when it finds no such key.
std::string reg_query_default(const std::string& key) {
  const test::ProgramRun ran = test::run_program(L"reg.exe query \"" + std::wstring(key.begin(), key.end()) + L"\" /ve");
  return ran.code == 0 ? ran.output : std::string();
}

// True when this program may write the machine's classes (administrator
// rights, or Wine); without, the tests that need an entry there leave it out.
bool machine_classes_writable() {
  const std::string probe = "Software\\Classes\\Korvint test probe";
  if (win32::system_registry().create_key(HKEY_LOCAL_MACHINE, probe) != ERROR_SUCCESS) return false;
  win32::system_registry().delete_key(HKEY_LOCAL_MACHINE, probe);
  return true;
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Win32Shell, TheFolderMenuEntryIsWrittenForTheCurrentUserAndRemovedIdempotently) {
  if (entry_anywhere()) GTEST_SKIP() << "an entry is installed here already; left untouched";
  const std::string folder = "C:\\Program Files\\K\xc3\xb8rvint";  // "Kørvint"
  for (int round = 0; round < 2; ++round) {
    const MenuEntryOutcome added = add_folder_menu_entry(folder);
    ASSERT_TRUE(added.status.ok()) << added.status.message();
    EXPECT_EQ(added.note, "Right-click entry written to " + kUserVerb);
  }
  const KeyContent verb = read_key(HKEY_CURRENT_USER, kVerbKey);
  EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, kVerbKey));
  EXPECT_EQ(verb.values, 0u);
  const KeyContent command = read_key(HKEY_CURRENT_USER, kCommandKey);
  EXPECT_EQ(command.values, 1u);
  EXPECT_EQ(command.default_type, static_cast<DWORD>(REG_SZ));
  // The stored size includes the terminating NUL.
  EXPECT_EQ(command.default_value, std::wstring(L"C:\\Program Files\\K\u00f8rvint\\Korvint.exe /%1") + L'\0');
  EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, kVerbKey));

  for (int round = 0; round < 2; ++round) {
    const MenuEntryOutcome removed = remove_folder_menu_entry();
    ASSERT_TRUE(removed.status.ok()) << removed.status.message();
    // Said once; removing an absent entry says nothing.
    EXPECT_EQ(removed.note, round == 0 ? "Right-click entry removed from " + kUserVerb : "");
  }
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kCommandKey));
  EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kVerbKey));
}

// The system's registry, refusing writes or deletions below chosen roots as
// it does below HKEY_LOCAL_MACHINE for a program without administrator rights.
class RefusingRegistry final : public win32::Registry {
 public:
  LONG create_key(HKEY root, const std::string& key) override {
    log.push_back(name(root) + " create " + key);
    return refuse_writes.count(root) ? ERROR_ACCESS_DENIED : win32::system_registry().create_key(root, key);
  }
  LONG set_default_value(HKEY root, const std::string& key, const std::string& value) override {
    log.push_back(name(root) + " set " + key);
    return refuse_writes.count(root) ? ERROR_ACCESS_DENIED
                                     : win32::system_registry().set_default_value(root, key, value);
  }
  LONG delete_key(HKEY root, const std::string& key) override {
    log.push_back(name(root) + " delete " + key);
    return refuse_deletes.count(root) ? ERROR_ACCESS_DENIED : win32::system_registry().delete_key(root, key);
  }

  std::set<HKEY> refuse_writes;
  std::set<HKEY> refuse_deletes;
  std::vector<std::string> log;

 private:
  static std::string name(HKEY root) { return root == HKEY_LOCAL_MACHINE ? "HKLM" : "HKCU"; }
};

TEST(Win32Shell, TheEntryGoesForAllUsersOnlyWhenTheUsersOwnPlaceRefusesIt) {
  if (entry_anywhere()) GTEST_SKIP() << "an entry is installed here already; left untouched";
  struct Case {
    const char* what;
    std::set<HKEY> refused;
    const std::string* written;  // nullptr: nowhere
  };
  const std::vector<Case> cases = {
      {"nothing refused", {}, &kUserVerb},
      {"no administrator rights", {HKEY_LOCAL_MACHINE}, &kUserVerb},
      {"the user's classes refused", {HKEY_CURRENT_USER}, &kMachineVerb},
      {"both refused", {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}, nullptr},
  };
  const std::string denied = win32::error_text(ERROR_ACCESS_DENIED);
  const bool machine_writable = machine_classes_writable();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.written == &kMachineVerb && !machine_writable) continue;
    RefusingRegistry registry;
    registry.refuse_writes = c.refused;
    const MenuEntryOutcome added = win32::add_folder_menu_entry(registry, "C:\\Tools");
    const std::string in_user = reg_query_default(kUserVerb + "\\command");
    const std::string in_machine = reg_query_default(kMachineVerb + "\\command");
    erase_everywhere();

    if (c.written == nullptr) {
      ASSERT_FALSE(added.status.ok());
      EXPECT_TRUE(contains(added.status.message(), kUserVerb)) << added.status.message();
      EXPECT_TRUE(contains(added.status.message(), kMachineVerb)) << added.status.message();
      EXPECT_TRUE(contains(added.status.message(), denied)) << added.status.message();
      EXPECT_EQ(in_user, "");
      EXPECT_EQ(in_machine, "");
      continue;
    }
    ASSERT_TRUE(added.status.ok()) << added.status.message();
    EXPECT_TRUE(contains(added.note, "written")) << added.note;
    EXPECT_TRUE(contains(added.note, *c.written)) << added.note;
    const std::string& shown = c.written == &kUserVerb ? in_user : in_machine;
    const std::string& other = c.written == &kUserVerb ? in_machine : in_user;
    EXPECT_TRUE(contains(shown, *c.written + "\\command")) << shown;
    EXPECT_TRUE(contains(shown, "REG_SZ")) << shown;
    EXPECT_TRUE(contains(shown, "C:\\Tools\\Korvint.exe /%1")) << shown;
    EXPECT_EQ(other, "");
    if (c.written == &kUserVerb) {
      for (const std::string& step : registry.log) EXPECT_EQ(step.rfind("HKLM", 0), std::string::npos) << step;
    }
  }
}

TEST(Win32Shell, RemovalTakesTheEntryFromBothPlacesOrSaysWhatStays) {
  if (entry_anywhere()) GTEST_SKIP() << "an entry is installed here already; left untouched";
  if (!machine_classes_writable()) GTEST_SKIP() << "planting an entry for all users needs administrator rights";
  for (const bool machine_refuses : {false, true}) {
    SCOPED_TRACE(machine_refuses ? "no administrator rights" : "administrator");
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
      ASSERT_EQ(win32::system_registry().set_default_value(root, "Software\\Classes\\Folder\\shell\\Korvint scan\\command",
                                                           "C:\\Old\\Korvint.exe /%1"),
                ERROR_SUCCESS);
    RefusingRegistry registry;
    if (machine_refuses) registry.refuse_deletes = {HKEY_LOCAL_MACHINE};
    const MenuEntryOutcome removed = win32::remove_folder_menu_entry(registry);
    const bool machine_left = key_exists(HKEY_LOCAL_MACHINE, kVerbKey);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, kVerbKey));
    erase_everywhere();

    EXPECT_EQ(machine_left, machine_refuses);
    if (machine_refuses) {
      ASSERT_FALSE(removed.status.ok());
      EXPECT_TRUE(contains(removed.status.message(), "removed from " + kUserVerb)) << removed.status.message();
      EXPECT_TRUE(contains(removed.status.message(), kMachineVerb + "\\command")) << removed.status.message();
      EXPECT_TRUE(contains(removed.status.message(), "administrator")) << removed.status.message();
    } else {
      ASSERT_TRUE(removed.status.ok()) << removed.status.message();
      EXPECT_EQ(removed.note, "Right-click entry removed from " + kUserVerb + " and " + kMachineVerb);
    }
  }
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

TEST(Win32Shell, DrivesAreListedByTheirRootsInLetterOrder) {
  const std::vector<Drive> found = drives();
  ASSERT_FALSE(found.empty());
  wchar_t windows[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
  bool system_drive_seen = false;
  for (std::size_t i = 0; i < found.size(); ++i) {
    const std::string& root = found[i].root;
    ASSERT_EQ(root.size(), 3u) << root;
    EXPECT_TRUE(std::isupper(static_cast<unsigned char>(root[0]))) << root;
    EXPECT_EQ(root.substr(1), ":\\") << root;
    if (i > 0) { EXPECT_LT(found[i - 1].root, root); }
    if (root[0] == std::toupper(static_cast<int>(windows[0]))) system_drive_seen = true;
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
