// Korvint.exe started with two arguments, as a batch file starts it: the exit
// code tells a completed scan from a failed one, which keeps the window open.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <functional>
#include <string>

#include "platform/win32/win32_text.h"
#include "support/temp_tree.h"
#include "hosts/win32/control_creation.h"
#include "hosts/win32/form_window.h"

namespace korvint::ui::win32 {
namespace {

namespace fs = std::filesystem;
using test::path_text;

// The program under test; the build gives its host path, which Wine shows as drive Z:.
std::wstring program_path() {
  std::string path = KORVINT_EXE;
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  return platform::win32::to_wide(path);
}

struct Started {
  PROCESS_INFORMATION process{};
  bool ok = false;
};

Started start(const std::string& arguments) {
  const std::wstring program = program_path();
  std::wstring command = L"\"" + program + L"\" " + platform::win32::to_wide(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  Started started;
  started.ok = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &started.process) != FALSE;
  return started;
}

DWORD wait_for_exit(Started& started, DWORD milliseconds) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(started.process.hProcess, milliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(started.process.hProcess, &code);
  }
  return code;
}

void finish(Started& started) {
  CloseHandle(started.process.hThread);
  CloseHandle(started.process.hProcess);
}

struct Search {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK match_window(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (owner == search->process_id && std::wstring(name) == kFormWindowClass) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// The program's main window once it is visible; nullptr before.
HWND visible_main_window(DWORD process_id) {
  Search search{process_id, nullptr};
  EnumWindows(&match_window, reinterpret_cast<LPARAM>(&search));
  return search.found != nullptr && IsWindowVisible(search.found) ? search.found : nullptr;
}

// Asks `seen` every 50 ms until it answers true; false once the process has
// ended without that, or after two minutes (Wine starts slowly on a busy machine).
bool wait_while_running(const Started& started, const std::function<bool()>& seen) {
  for (int attempt = 0; attempt < 2400; ++attempt) {
    if (seen()) return true;
    if (WaitForSingleObject(started.process.hProcess, 50) == WAIT_OBJECT_0) return seen();
  }
  return false;
}

std::string control_text(HWND window, ControlId id) {
  wchar_t text[512] = {};
  SendMessageW(GetDlgItem(window, child_window_id(id)), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return platform::win32::to_utf8(text);
}

TEST(Win32BatchRun, TwoArgumentsWriteTheCatalogueAndExitWithZero) {
  test::TempTree tree;
  tree.text_file("data/a.txt", "one");
  tree.text_file("data/sub/b.txt", "two");
  tree.folder("out");
  const std::string root = path_text(tree.root() / "data") + "\\";
  const fs::path output = tree.root() / "out" / "data.lst";
  Started run = start("/" + root + " /" + path_text(output));
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(wait_for_exit(run, 60000), 0u);
  finish(run);
  const std::string catalogue = test::read_file(output);
  EXPECT_EQ(catalogue.substr(0, catalogue.find("\r\n") + 2), root + "\r\n");
  EXPECT_NE(catalogue.find("a.txt\t3\t"), std::string::npos);
  EXPECT_NE(catalogue.find("b.txt\t3\t"), std::string::npos);
}

TEST(Win32BatchRun, ARootThatCannotBeReadGivesAHeaderOnlyCatalogueAndExitsWithThree) {
  test::TempTree tree;
  tree.folder("out");
  const std::string root = path_text(tree.root() / "no such folder") + "\\";
  const fs::path output = tree.root() / "out" / "gone.lst";
  Started run = start("/" + root + " /" + path_text(output));
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(wait_for_exit(run, 60000), 3u);
  finish(run);
  EXPECT_EQ(test::read_file(output), root + "\r\n");
}

TEST(Win32BatchRun, MissingOutputFolderKeepsTheWindowOpenWithTheReasonAndExitsWithOne) {
  test::TempTree tree;
  tree.text_file("data/a.txt", "one");
  const std::string root = path_text(tree.root() / "data") + "\\";
  const fs::path output = tree.root() / "missing" / "data.lst";
  Started run = start("/" + root + " /" + path_text(output));
  ASSERT_TRUE(run.ok);
  HWND window = nullptr;
  ASSERT_TRUE(wait_while_running(run, [&] { return (window = visible_main_window(run.process.dwProcessId)) != nullptr; }));
  // The window shows before the scan runs: the reason comes after.
  std::string reason;
  EXPECT_TRUE(wait_while_running(run, [&] {
    reason = control_text(window, ControlId::Label2);
    return reason.find("missing") != std::string::npos;
  })) << reason;
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(wait_for_exit(run, 30000), 1u);
  finish(run);
  EXPECT_FALSE(fs::exists(output));
}

}  // namespace
}  // namespace korvint::ui::win32
