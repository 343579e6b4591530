// The catalogue's file operations on Windows: what counts as a normal file,
// renames that must not replace, outputs that are always new, sharing
// conflicts, the lock file and the ANSI code page.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/file_services.h"
#include "support/temp_tree.h"

namespace korvint::platform {
namespace {

using test::path_text;
using test::TempTree;

FileServices& files() { return system_file_services(); }

void set_attributes(const std::filesystem::path& path, DWORD attributes) {
  ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes)) << GetLastError();
}

TEST(Win32Files, OnlyVisibleNonSystemFilesAreNormal) {
  TempTree tree;
  const auto plain = tree.text_file("plain.txt", "x");
  const auto hidden = tree.text_file("hidden.txt", "x");
  const auto system = tree.text_file("system.txt", "x");
  const auto read_only = tree.text_file("read-only.txt", "x");
  const auto folder = tree.folder("folder");
  set_attributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  set_attributes(system, FILE_ATTRIBUTE_SYSTEM);
  set_attributes(read_only, FILE_ATTRIBUTE_READONLY);

  EXPECT_TRUE(files().is_normal_file(path_text(plain)));
  EXPECT_TRUE(files().is_normal_file(path_text(read_only)));
  EXPECT_FALSE(files().is_normal_file(path_text(hidden)));
  EXPECT_FALSE(files().is_normal_file(path_text(system)));
  EXPECT_FALSE(files().is_normal_file(path_text(folder)));
  EXPECT_FALSE(files().is_normal_file(path_text(tree.root() / "missing.txt")));
  EXPECT_FALSE(files().is_normal_file(""));
  for (const auto& there : {plain, hidden, system, folder}) EXPECT_TRUE(files().exists(path_text(there)));
  EXPECT_FALSE(files().exists(path_text(tree.root() / "missing.txt")));
  // Hidden and system files are no catalogue to read a root from either.
  EXPECT_EQ(files().read_first_line(path_text(hidden)), std::nullopt);

  // Relative paths with "/" are taken from the current folder.
  wchar_t previous[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
  tree.text_file("folder/inner.txt", "y");
  const bool relative_found = files().is_normal_file("folder/inner.txt");
  const bool dot_dot_found = files().is_normal_file("folder/../plain.txt");
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(relative_found);
  EXPECT_TRUE(dot_dot_found);
}

TEST(Win32Files, RenameNeverReplacesAndFailuresNameThePath) {
  TempTree tree;
  const std::string old_path = path_text(tree.text_file("a.lst", "old"));
  const std::string new_path = path_text(tree.text_file("b.lst", "new"));
  const Status onto_existing = files().rename_file(old_path, new_path);
  ASSERT_FALSE(onto_existing.ok());
  EXPECT_NE(onto_existing.message().find(new_path), std::string::npos) << onto_existing.message();
  EXPECT_EQ(test::read_file(tree.root() / "b.lst"), "new");
  EXPECT_EQ(test::read_file(tree.root() / "a.lst"), "old");

  const std::string free_path = path_text(tree.root() / "c.lst");
  EXPECT_TRUE(files().rename_file(old_path, free_path).ok());
  EXPECT_EQ(test::read_file(tree.root() / "c.lst"), "old");

  EXPECT_TRUE(files().remove_file(free_path).ok());
  const Status again = files().remove_file(free_path);
  ASSERT_FALSE(again.ok());
  EXPECT_NE(again.message().find(free_path), std::string::npos) << again.message();
}

TEST(Win32Files, OutputIsWrittenInTheAnsiCodePageAndReadBack) {
  if (GetACP() != 1252) GTEST_SKIP() << "byte values below are those of code page 1252";
  TempTree tree;
  const std::string path = path_text(tree.root() / "out.lst");
  Status error;
  auto out = files().create_output(path, error);
  ASSERT_NE(out, nullptr) << error.message();
  // é is in code page 1252; the Japanese characters are not and become "?".
  ASSERT_TRUE(out->write("caf\xc3\xa9\t\xe6\x97\xa5\xe6\x9c\xac\r\n").ok());
  ASSERT_TRUE(out->write("second\r\n").ok());
  ASSERT_TRUE(out->sync().ok());
  ASSERT_TRUE(out->close().ok());
  EXPECT_TRUE(out->close().ok());
  EXPECT_EQ(test::read_file(tree.root() / "out.lst"), "caf\xe9\t??\r\nsecond\r\n");
  // Reading converts back to UTF-8 and stops at the line end.
  EXPECT_EQ(files().read_first_line(path), "caf\xc3\xa9\t??");
}

TEST(Win32Files, FirstLineEndsAtAnyLineEndAndEmptyFilesHaveNone) {
  TempTree tree;
  EXPECT_EQ(files().read_first_line(path_text(tree.text_file("cr.txt", "c:\\data\\\rrest"))), "c:\\data\\");
  EXPECT_EQ(files().read_first_line(path_text(tree.text_file("lf.txt", "root\nrest"))), "root");
  EXPECT_EQ(files().read_first_line(path_text(tree.text_file("bare.txt", "only"))), "only");
  EXPECT_EQ(files().read_first_line(path_text(tree.text_file("blank.txt", "\r\nx"))), "");
  EXPECT_EQ(files().read_first_line(path_text(tree.text_file("empty.txt", ""))), std::nullopt);
  EXPECT_EQ(files().read_first_line(path_text(tree.root() / "missing.txt")), std::nullopt);
  EXPECT_EQ(files().read_first_line(path_text(tree.root())), std::nullopt);
}

// The output is always created new: whatever stands under its name, held by
// another program or not, a link to another file or a folder, is neither
// opened nor cut, and the failure names the path.
TEST(Win32Files, CreatingTheOutputNeverOpensWhatStandsThere) {
  TempTree tree;
  const auto victim = tree.text_file("victim.txt", "precious");
  const auto plain = tree.text_file("plain.lst", "earlier");
  const auto held = tree.text_file("held.lst", "earlier");
  const auto linked = tree.root() / "linked.lst";
  ASSERT_TRUE(CreateHardLinkW(linked.c_str(), victim.c_str(), nullptr)) << GetLastError();
  const auto folder = tree.folder("taken.lst");
  const HANDLE other = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  for (const auto& taken : {plain, held, linked, folder}) {
    SCOPED_TRACE(path_text(taken));
    Status error;
    EXPECT_EQ(files().create_output(path_text(taken), error), nullptr);
    EXPECT_NE(error.message().find(path_text(taken)), std::string::npos) << error.message();
  }
  CloseHandle(other);
  EXPECT_EQ(test::read_file(plain), "earlier");
  EXPECT_EQ(test::read_file(held), "earlier");
  EXPECT_EQ(test::read_file(victim), "precious");
}

// The lock file: one holder at a time, in this process or another; the lock
// ends with its holder, even one that was killed, whose file stays with its
// note for the next holder to read. The killed holder is this test program run
// again with only the disabled helper below.
TEST(Win32Files, TheLockFileHasOneHolderAndGoesWithIt) {
  TempTree tree;
  const auto lock_path = tree.root() / "cc.lst.lock";
  {
    LockAttempt first = files().lock_file(path_text(lock_path));
    ASSERT_NE(first.lock, nullptr) << first.error.message();
    const LockAttempt second = files().lock_file(path_text(lock_path));
    EXPECT_TRUE(second.busy);
    EXPECT_EQ(second.lock, nullptr);
  }
  EXPECT_FALSE(std::filesystem::exists(lock_path));

  const auto ready = tree.root() / "holder ready";
  ASSERT_TRUE(SetEnvironmentVariableW(L"KORVINT_TEST_LOCK", lock_path.c_str()));
  ASSERT_TRUE(SetEnvironmentVariableW(L"KORVINT_TEST_READY", ready.c_str()));
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(self) +
                         L"\" --gtest_filter=Win32FilesHolder.DISABLED_HoldTheLock --gtest_also_run_disabled_tests";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION holder{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &holder))
      << GetLastError();
  CloseHandle(holder.hThread);
  // The holder says when it holds the lock; it may not end before.
  bool holds = false;
  for (int waited = 0; waited < 6000 && !holds; ++waited) {
    holds = std::filesystem::exists(ready);
    if (!holds && WaitForSingleObject(holder.hProcess, 10) == WAIT_OBJECT_0) break;
  }
  if (holds) { EXPECT_TRUE(files().lock_file(path_text(lock_path)).busy); }
  TerminateProcess(holder.hProcess, 9);
  WaitForSingleObject(holder.hProcess, INFINITE);
  CloseHandle(holder.hProcess);
  ASSERT_TRUE(holds) << "the holder never took the lock";
  {
    const LockAttempt next = files().lock_file(path_text(lock_path));
    EXPECT_NE(next.lock, nullptr) << next.error.message();
    EXPECT_EQ(next.left_note, std::optional<std::string>("writing"));
  }
  EXPECT_FALSE(std::filesystem::exists(lock_path));
}

TEST(Win32FilesHolder, DISABLED_HoldTheLock) {
  wchar_t lock_path[MAX_PATH] = {};
  wchar_t ready[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"KORVINT_TEST_LOCK", lock_path, MAX_PATH), 0u);
  ASSERT_GT(GetEnvironmentVariableW(L"KORVINT_TEST_READY", ready, MAX_PATH), 0u);
  const LockAttempt held = files().lock_file(path_text(lock_path));
  ASSERT_NE(held.lock, nullptr) << held.error.message();
  ASSERT_TRUE(held.lock->write_note("writing").ok());
  test::write_file(ready, "");
  Sleep(INFINITE);
}

TEST(Win32Files, OurOutputLetsOthersReadButNotWrite) {
  TempTree tree;
  const auto path = tree.root() / "open.lst";
  Status error;
  auto out = files().create_output(path_text(path), error);
  ASSERT_NE(out, nullptr) << error.message();
  const HANDLE reader = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
  const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  EXPECT_TRUE(out->close().ok());
}

}  // namespace
}  // namespace korvint::platform
