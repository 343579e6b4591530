// The catalogue's file operations on Windows: what counts as a normal file,
// renames that must not replace, sharing conflicts and the ANSI code page.

#include <gtest/gtest.h>
#include <windows.h>

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
  const std::string path = path_text(tree.text_file("out.lst", "an older and longer catalogue"));
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

TEST(Win32Files, AnOutputHeldByAnotherWithoutSharingCannotBeCreated) {
  TempTree tree;
  const auto held = tree.text_file("held.lst", "x");
  const HANDLE other = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  Status error;
  auto out = files().create_output(path_text(held), error);
  CloseHandle(other);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(error.message().find(path_text(held)), std::string::npos) << error.message();

  // A folder in the way is no file to write either.
  const std::string folder = path_text(tree.folder("taken.lst"));
  EXPECT_EQ(files().create_output(folder, error), nullptr);
  EXPECT_NE(error.message().find(folder), std::string::npos) << error.message();
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
