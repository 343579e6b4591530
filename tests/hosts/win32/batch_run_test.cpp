// Korvint.exe started with two arguments, as a batch file starts it: the run
// always ends by itself, its exit code tells how, and the reason goes to the
// error stream the batch file handed over.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/win32/win32_text.h"
#include "support/temp_tree.h"

namespace korvint::hosts::win32 {
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
  std::filesystem::path error_file;  // where the program's error stream went
};

// Starts the program with its error stream redirected to a file, as
// `Korvint ... 2>file` in a batch file does.
Started start(const std::string& arguments, const std::filesystem::path& error_file) {
  const std::wstring program = program_path();
  std::wstring command = L"\"" + program + L"\" " + platform::win32::to_wide(arguments);
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE error_stream = CreateFileW(error_file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = error_stream;
  Started started;
  started.error_file = error_file;
  started.ok = error_stream != INVALID_HANDLE_VALUE &&
               CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                              &startup, &started.process) != FALSE;
  if (error_stream != INVALID_HANDLE_VALUE) CloseHandle(error_stream);
  return started;
}

DWORD wait_for_exit(Started& started, DWORD milliseconds) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(started.process.hProcess, milliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(started.process.hProcess, &code);
  }
  return code;
}

// Closes the handles; returns what the program wrote to its error stream.
std::string finish(Started& started) {
  CloseHandle(started.process.hThread);
  CloseHandle(started.process.hProcess);
  return test::read_file(started.error_file);
}

TEST(Win32BatchRun, TwoArgumentsWriteTheCatalogueAndExitWithZero) {
  test::TempTree tree;
  tree.text_file("data/a.txt", "one");
  tree.text_file("data/sub/b.txt", "two");
  tree.folder("out");
  const std::string root = path_text(tree.root() / "data") + "\\";
  const fs::path output = tree.root() / "out" / "data.lst";
  Started run = start("/" + root + " /" + path_text(output), tree.root() / "err.txt");
  ASSERT_TRUE(run.ok);
  EXPECT_EQ(wait_for_exit(run, 60000), 0u);
  EXPECT_EQ(finish(run), "");
  const std::string catalogue = test::read_file(output);
  EXPECT_EQ(catalogue.substr(0, catalogue.find("\r\n") + 2), root + "\r\n");
  EXPECT_NE(catalogue.find("a.txt\t3\t"), std::string::npos);
  EXPECT_NE(catalogue.find("b.txt\t3\t"), std::string::npos);
}

// A failed run ends by itself, with no window left waiting for a click: status
// 1, the reason on the error stream, the earlier catalogue as it was.
TEST(Win32BatchRun, AFailedScanEndsByItselfWithOneAndTheReason) {
  test::TempTree tree;
  tree.text_file("data/a.txt", "one");
  tree.text_file("out/usb.lst", "the good catalogue\r\n");
  struct Case {
    std::string root, output, reason;
  };
  const std::string out = path_text(tree.root() / "out") + "\\";
  const Case cases[] = {
      // The medium is not there: its catalogue survives.
      {path_text(tree.root() / "no such drive") + "\\", out + "usb.lst", "no such drive"},
      {path_text(tree.root() / "data") + "\\", path_text(tree.root() / "missing") + "\\data.lst", "missing"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.root);
    Started run = start("/" + c.root + " /" + c.output, tree.root() / "err.txt");
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(wait_for_exit(run, 60000), 1u);
    const std::string said = finish(run);
    EXPECT_EQ(said.rfind("Korvint: ", 0), 0u) << said;
    EXPECT_NE(said.find(c.reason), std::string::npos) << said;
  }
  EXPECT_EQ(test::read_file(tree.root() / "out" / "usb.lst"), "the good catalogue\r\n");
  EXPECT_FALSE(fs::exists(tree.root() / "out" / "usb.lst.old"));
  EXPECT_FALSE(fs::exists(tree.root() / "missing"));
}

// Two arguments that name no folder or no file end with status 2 before any
// window opens (a window would wait for a person): nothing is scanned or written.
TEST(Win32BatchRun, ABatchCommandLineThatNamesNothingEndsWithTwo) {
  test::TempTree tree;
  tree.folder("data");
  tree.folder("out");
  const std::string out = path_text(tree.root() / "out") + "\\";
  for (const std::string& arguments : {" / /" + out + "x.lst", "/" + path_text(tree.root() / "data") + " /" + out}) {
    SCOPED_TRACE(arguments);
    Started run = start(arguments, tree.root() / "err.txt");
    ASSERT_TRUE(run.ok);
    EXPECT_EQ(wait_for_exit(run, 60000), 2u);
    EXPECT_NE(finish(run).find("Korvint: "), std::string::npos);
  }
  EXPECT_TRUE(fs::is_empty(tree.root() / "out"));
}

}  // namespace
}  // namespace korvint::hosts::win32
