#include "app/command_line.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvint::app
