#include "app/batch_arguments.h"
#include "app/windows_slash_arguments.h"

#include <gtest/gtest.h>

#include "app/korvint_command_line.h"
#include "platform/program_folder.h"

namespace korvint::app {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAtEverySlashAndDropsWhatStandsBeforeTheFirst) {
  EXPECT_EQ(split_command_line(" /c:\\testdir\\ /c:\\testdir.lst"), (Args{"c:\\testdir\\ ", "c:\\testdir.lst"}));
  EXPECT_EQ(split_command_line("xyz /c:\\data"), (Args{"c:\\data"}));
  EXPECT_EQ(split_command_line("/C:\\My Documents"), (Args{"C:\\My Documents"}));
  EXPECT_EQ(split_command_line("/\"c:\\quoted\"/"), (Args{"\"c:\\quoted\"", ""}));
}

TEST(CommandLine, KeepsEmptyPiecesAndCountsSlashes) {
  EXPECT_EQ(split_command_line(""), Args{});
  EXPECT_EQ(split_command_line("no slash at all"), Args{});
  EXPECT_EQ(split_command_line("/"), (Args{""}));
  EXPECT_EQ(split_command_line("//"), (Args{"", ""}));
  EXPECT_EQ(split_command_line("//x"), (Args{"", "x"}));
  EXPECT_EQ(split_command_line("///"), (Args{"", "", ""}));
  EXPECT_EQ(split_command_line(std::string(32768, '/')).size(), 32768u);
}

TEST(CommandLine, TheProgramNameEndsAtTheFirstSpaceOutsideQuotes) {
  EXPECT_EQ(text_after_program_name("Korvint /c:\\ /d.lst"), " /c:\\ /d.lst");
  EXPECT_EQ(text_after_program_name("\"C:\\Program Files\\Korvint.exe\" /c:\\"), " /c:\\");
  EXPECT_EQ(text_after_program_name("C:\\Tools\\Korvint.exe"), "");
  EXPECT_EQ(text_after_program_name(""), "");
}

// Two arguments that name no folder or no file cannot be a batch scan: the
// program says why and touches nothing, instead of opening a window that
// waits or writing a catalogue called ".lst".
TEST(CommandLine, ABatchNeedsARootAndAFileName) {
  const std::string sep(1, platform::path_separator());
  struct Case {
    Args arguments;
    std::string problem;  // a part of it; "" when the batch can run
  };
  const Case cases[] = {
      {{"root", "out.lst"}, ""},
      {{" root ", "cats" + sep + "out"}, ""},
      {{"", "out.lst"}, "the folder to scan (the first argument) is empty"},
      {{"   ", "out.lst"}, "the folder to scan (the first argument) is empty"},
      {{"root", ""}, "the catalogue to write (the second argument) is empty"},
      {{"root", "  "}, "the catalogue to write (the second argument) is empty"},
      {{"root", "cats" + sep}, "\"cats" + sep + "\" names a folder"},
      {{"root", "cats" + sep + " "}, "names a folder"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[0] + "|" + c.arguments[1]);
    const std::string problem = batch_arguments_problem(c.arguments);
    if (c.problem.empty()) {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
  }
}

// What the POSIX command line asks for once options are read.
TEST(KorvintCommandLine, OptionsAndOperands) {
  struct Case {
    Args arguments;
    Request request;
    Args operands;
  };
  const Case cases[] = {
      {{}, Request::window, {}},
      {{"/media/usb"}, Request::window, {"/media/usb"}},
      {{"/media/usb", "usb.lst"}, Request::batch, {"/media/usb", "usb.lst"}},
      {{"--", "-odd", "-out.lst"}, Request::batch, {"-odd", "-out.lst"}},
      {{"--", "--", "out.lst"}, Request::batch, {"--", "out.lst"}},
      {{"a", "--", "-b"}, Request::batch, {"a", "-b"}},
      {{"--version", "a", "b"}, Request::version, {"a", "b"}},
      {{"--version", "--help"}, Request::help, {}},
      {{"--help", "--bogus"}, Request::usage_error, {}},
      {{"--help=yes"}, Request::usage_error, {}},
      {{"a", "b", "c"}, Request::usage_error, {"a", "b", "c"}},
  };
  for (const Case& c : cases) {
    const Invocation invocation = read_korvint_arguments(c.arguments);
    EXPECT_EQ(invocation.request, c.request) << invocation.error;
    if (c.request != Request::usage_error) { EXPECT_EQ(invocation.operands, c.operands); }
    EXPECT_EQ(invocation.error.empty(), c.request != Request::usage_error);
  }
}

}  // namespace
}  // namespace korvint::app
