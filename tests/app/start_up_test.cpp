#include "app/start_up.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/program_folder.h"
#include "support/form_fixture.h"

namespace korvint::app {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

const char kSep = platform::path_separator();

TEST(StartUp, WithoutArgumentsTheWindowHasItsStartValues) {
  FormFixture f;
  f.window->List1.AddItem("stale");
  f.window->mStop.setVisible(true);
  Form_Load(f.form(), {});
  const StartValues start = default_start_values();
  EXPECT_EQ(f.window->List1.ListCount(), 0);
  EXPECT_FALSE(f.window->mStop.visible());
  EXPECT_EQ(f.window->Text2.text(), "*.*");
  EXPECT_EQ(f.window->Label1.caption(), "Files ~:");
  EXPECT_EQ(f.window->Label2.caption(), "0");
  EXPECT_EQ(f.window->Text1.text(), start.Text1);
  EXPECT_EQ(f.window->Text4.text(), start.Text4);
  EXPECT_EQ(f.window->Text5.text(), start.Text5);
  EXPECT_TRUE(f.window->host.shown);
  EXPECT_TRUE(f.window->host.path_completion);
  EXPECT_FALSE(f.window->host.closed);
}

TEST(StartUp, StartValuesOfThePlatform) {
  const StartValues start = default_start_values();
#ifdef _WIN32
  EXPECT_EQ(start.Text1, "c:\\");
  EXPECT_EQ(start.Text4, "c-disk.lst");
  EXPECT_EQ(start.Text5, "b:\\");
#else
  const std::string home = std::getenv("HOME") ? std::getenv("HOME") : "";
  EXPECT_EQ(start.Text1.back(), '/');
  EXPECT_EQ(start.Text1.rfind(home, 0), 0u);
  EXPECT_EQ(start.Text5, start.Text1);
  EXPECT_EQ(start.Text4.substr(start.Text4.size() - 4), ".lst");
#endif
}

TEST(StartUp, TheFirstLineOfVeskoIniIsTheOutputFolder) {
  FormFixture f;
  const fs::path ini = fs::path(f.form().services.program_folder) / "Vesko.ini";
  struct Case {
    std::string content;
    std::string expected;  // "" = the start value stays
  };
  for (const Case& c : {Case{"D:\\catalogs\\\r\nsecond line\r\n", "D:\\catalogs\\"},
                        Case{" spaced \nx", " spaced "}, Case{"no line end", "no line end"},
                        Case{"cr only\rnext", "cr only"}, Case{"", ""},
                        Case{std::string(1 << 20, 'x'), std::string(1 << 20, 'x')}}) {
    test::write_file(ini, c.content);
    Form_Load(f.form(), {});
    EXPECT_EQ(f.window->Text5.text(), c.expected.empty() ? default_start_values().Text5 : c.expected)
        << c.content.substr(0, 20);
  }
}

#ifndef _WIN32
// Korvint looks Vesko.ini up as Vesko does: the program folder's first, then
// the user's configuration folder, so both agree on the catalogue folder.
TEST(StartUp, TheOutputFolderComesFromVeskoIniWhereVeskoFindsIt) {
  FormFixture f;
  const char* saved = std::getenv("XDG_CONFIG_HOME");
  const std::string kept = saved != nullptr ? saved : "";
  ::setenv("XDG_CONFIG_HOME", test::path_text(f.tree.root() / "config").c_str(), 1);
  f.tree.text_file("config/korvint/Vesko.ini", "/data/catalogues/\nencoding=CP1251\n");
  Form_Load(f.form(), {});
  EXPECT_EQ(f.window->Text5.text(), "/data/catalogues/");
  test::write_file(fs::path(f.form().services.program_folder) / "Vesko.ini", "/program/cats/\n");
  Form_Load(f.form(), {});
  EXPECT_EQ(f.window->Text5.text(), "/program/cats/");
  if (saved != nullptr) {
    ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}
#endif

TEST(StartUp, OneArgumentPreparesTheWindowForThatRoot) {
  FormFixture f;
  const std::string root = std::string("  ") + "somewhere" + kSep + "Photos" + "  ";
  Form_Load(f.form(), {root});
  EXPECT_EQ(f.window->Text1.text(), std::string("somewhere") + kSep + "Photos" + kSep);
  EXPECT_EQ(f.window->Text4.text(), "Photos.lst");
  EXPECT_FALSE(f.window->host.closed);
  EXPECT_FALSE(fs::exists("Photos.lst"));
}

TEST(StartUp, ThreeOrMoreArgumentsUseOnlyTheFirst) {
  FormFixture f;
  EXPECT_FALSE(Form_Load(f.form(), {"data", "x.lst", "more"}));
  EXPECT_EQ(f.window->Text1.text(), std::string("data") + kSep);
  EXPECT_EQ(f.window->Text4.text(), "data.lst");
  EXPECT_FALSE(f.window->host.closed);
}

TEST(StartUp, AnEmptyFirstArgumentKeepsTheStartValues) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{""}, std::vector<std::string>{"   "}, std::vector<std::string>{"", ""},
        std::vector<std::string>{"  ", "out.lst"}}) {
    FormFixture f;
    Form_Load(f.form(), arguments);
    EXPECT_EQ(f.window->Text1.text(), default_start_values().Text1);
    EXPECT_EQ(f.window->Text4.text(), default_start_values().Text4);
    EXPECT_FALSE(f.window->host.closed);
  }
}

// What a batch command line asks to scan: the root trimmed and ending in the
// separator, the output split after its last separator, nothing trimmed there.
TEST(StartUp, TheBatchRequestOfACommandLine) {
  const std::string s(1, kSep);
  struct Case {
    std::vector<std::string> arguments;
    std::optional<jobs::ScanRequest> request;
  };
  const Case cases[] = {
      {{" disk ", "out" + s + "cats"}, jobs::ScanRequest{"disk" + s, "out" + s, "cats"}},
      {{"disk" + s, "a" + s + "b" + s + " c.lst "}, jobs::ScanRequest{"disk" + s, "a" + s + "b" + s, " c.lst "}},
      {{"disk", "cats.lst"}, jobs::ScanRequest{"disk" + s, "", "cats.lst"}},
      {{"disk", "out" + s}, jobs::ScanRequest{"disk" + s, "out" + s, ""}},
      {{"  ", "cats.lst"}, std::nullopt},
      {{"disk"}, std::nullopt},
      {{"disk", "cats.lst", "more"}, std::nullopt},
      {{}, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<jobs::ScanRequest> request = batch_request(c.arguments);
    ASSERT_EQ(request.has_value(), c.request.has_value()) << c.arguments.size();
    if (!request) continue;
    EXPECT_EQ(request->root, c.request->root);
    EXPECT_EQ(request->output_folder, c.request->output_folder);
    EXPECT_EQ(request->name, c.request->name);
    EXPECT_EQ(request->pattern, "*.*");
  }
}

TEST(StartUp, TwoArgumentsScanTheRootIntoTheFileAndClose) {
  FormFixture f;
  f.tree.file("disk/a.txt", 7, 0);
  const std::string root = test::path_text(f.tree.root() / "disk");
  const std::string output = test::path_text(f.tree.root() / "out") + kSep + "cats";
  const std::optional<jobs::ScanOutcome> outcome = Form_Load(f.form(), {root + " ", output});
  EXPECT_EQ(f.window->Text1.text(), root + kSep);
  EXPECT_EQ(f.window->Text4.text(), "cats.lst");
  EXPECT_EQ(f.window->Text5.text(), test::path_text(f.tree.root() / "out") + kSep);
  EXPECT_EQ(test::read_file(f.output("cats.lst")), root + kSep + "\r\na.txt\t7\t 1970.1.1\t0:0.0\r\n");
  EXPECT_TRUE(f.window->host.closed);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, jobs::ScanEnd::completed);
}

// A batch run always ends: a failed scan closes the window too, with the reason
// in the outcome for the exit code and the error stream. The root is checked
// first, so a missing one leaves the earlier catalogue as it was.
TEST(StartUp, AFailedBatchScanClosesTheWindowAndTouchesNothing) {
  FormFixture f;
  const std::string missing_root = test::path_text(f.tree.root() / "not mounted");
  test::write_file(f.output("usb.lst"), "the good catalogue\r\n");
  const std::optional<jobs::ScanOutcome> outcome =
      Form_Load(f.form(), {missing_root, test::path_text(f.output("usb.lst"))});
  EXPECT_TRUE(f.window->host.closed);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome->end, jobs::ScanEnd::failed);
  EXPECT_NE(outcome->reason.find("not mounted"), std::string::npos) << outcome->reason;
  EXPECT_EQ(test::read_file(f.output("usb.lst")), "the good catalogue\r\n");
  EXPECT_FALSE(std::filesystem::exists(f.output("usb.lst.old")));
}

}  // namespace
}  // namespace korvint::app
