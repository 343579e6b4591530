// vesko on the command line: options, output lines and exit codes.

#include <gtest/gtest.h>

#include <sstream>

#include "app/query_help.h"
#include "app/vesko_command_line.h"
#include "app/vesko_run.h"
#include "platform/case_folding.h"
#include "support/temp_tree.h"

namespace korvint::app {
namespace {

class VeskoCommandLineTest : public ::testing::Test {
 protected:
  VeskoCommandLineTest() {
    tree_.text_file("disk1.lst",
                    "D:\\\r\nsong.mp3\t3000\t 2019.3.4\t5:6.7\r\nMusic\\\t0\t 2018.1.2\t3:4.5\r\n"
                    "song.flac\t4000\t 2019.3.5\t15:16.17\r\n-dash.txt\t1\t 2019.3.5\t1:1.1\r\n");
    tree_.text_file("disk2.lst", "/mnt/usb/\r\nMusic\\\t0\t 2020.12.31\t23:59.59\r\nsong.mp3\t5\t 2021.1.1\t0:0.0\r\n");
    tree_.text_file("readme.lst", "not a catalogue\r\n");
    folder_ = test::path_text(tree_.root());
  }

  test::TempTree tree_;
  std::string folder_;
};

TEST_F(VeskoCommandLineTest, PrintsOneLineAResultInCatalogueOrder) {
  const VeskoRun run = vesko({"--catalogues", folder_, "song"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "disk1\tD:\\song.mp3\t3000\t2019-03-04 05:06:07\n"
            "disk1\tD:\\Music\\song.flac\t4000\t2019-03-05 15:16:17\n"
            "disk2\t/mnt/usb/Music/song.mp3\t5\t2021-01-01 00:00:00\n");
  EXPECT_EQ(run.err, "vesko: readme.lst is not a catalogue\n");
  EXPECT_EQ(vesko({"--catalogues=" + folder_, "--limit", "1", "music", "type:folder"}).out,
            "disk1\tD:\\Music\\\t0\t2018-01-02 03:04:05\n");
  EXPECT_EQ(vesko({"--count", "--catalogues", folder_, "*.mp3"}).out, "2\n");
  // After the first word every argument is a word: "-mp3" leaves names out.
  const std::string flac = "disk1\tD:\\Music\\song.flac\t4000\t2019-03-05 15:16:17\n";
  EXPECT_EQ(vesko({"--catalogues", folder_, "song", "-mp3"}).out, flac);
  EXPECT_EQ(vesko({"--catalogues", folder_, "song", "--", "-mp3"}).out, flac);
  EXPECT_EQ(vesko({"--catalogues", folder_, "--", "song", "--count"}).status, 0);  // "--count": a word
  // After "--" a first word may start with "-".
  EXPECT_EQ(vesko({"--catalogues", folder_, "--", "-mp3", "song"}).out, flac);
  EXPECT_EQ(vesko({"--catalogues", folder_, "--", "\"-dash\""}).status, 0);
}

TEST_F(VeskoCommandLineTest, ExitStatusFollowsGrep) {
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* err;  // a part of what stderr must say
  };
  const std::string missing = folder_ + "/missing";
  const Case cases[] = {
      {{"--catalogues", folder_, "song"}, 0, ""},
      {{"--catalogues", folder_, "nothing-like-it"}, 1, ""},
      {{"--catalogues", folder_, "size:>abc"}, 2, "cannot read \"size:>abc\""},
      {{"--catalogues", folder_, "\"open"}, 2, "the quote is not closed"},
      {{"--catalogues", folder_, "size:5..2"}, 2, "vesko: cannot read \"size:5..2\": the range is reversed"},
      {{"--catalogues", folder_, "typ:file"}, 2, "vesko: unknown prefix typ: \u2014 did you mean type:?"},
      {{"--catalogues", folder_, "-mp3"}, 2, "unknown option \"-mp3\" (a word that leaves names out goes after"},
      {{"--catalogues", folder_, "--bogus", "song"}, 2, "unknown option \"--bogus\""},
      {{"--catalogues", folder_, "song", "--count"}, 2, "\"--count\" comes after the query: options go first"},
      {{"--catalogues", folder_, "song", "--limit=2"}, 2, "\"--limit=2\" comes after the query"},
      {{"--catalogues", folder_, "--limit", "0", "song"}, 2, "--limit"},
      {{"--catalogues", folder_}, 2, "no query"},
      {{"--catalogues"}, 2, "--catalogues needs a value"},
      {{"--catalogues", missing, "song"}, 2, "missing"},
      {{"--catalogues", folder_, "--encoding", "no-such-code-page", "song"}, 2, "no-such-code-page"},
  };
  for (const Case& c : cases) {
    const VeskoRun run = vesko(c.arguments);
    EXPECT_EQ(run.status, c.status) << c.arguments.back();
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

TEST_F(VeskoCommandLineTest, HelpVersionAndCheck) {
  const VeskoRun help = vesko({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: vesko"), std::string::npos);
  EXPECT_NE(help.out.find(app::kQueryHelp), std::string::npos);
  // The examples are quoted the way the platform's own command line takes them.
#ifdef _WIN32
  const char* example = "Vesko.exe holiday \"\\\"two words\\\"\" -draft \"size:>1M\" *.jpg\n";
#else
  const char* example = "Vesko.exe holiday '\"two words\"' -draft 'size:>1M' '*.jpg'\n";
#endif
  EXPECT_NE(vesko({"--help"}, "Vesko.exe").out.find(example), std::string::npos) << example;
  // Messages name the program as it was started.
  EXPECT_EQ(vesko({"--bogus"}, "Vesko.exe").err, "Vesko.exe: unknown option \"--bogus\" (try Vesko.exe --help)\n");
  EXPECT_EQ(program_name("C:\\Tools\\Vesko.exe", "x"), "Vesko.exe");
  EXPECT_EQ(program_name("/usr/bin/vesko", "x"), "vesko");
  EXPECT_EQ(program_name("", "vesko"), "vesko");
  const VeskoRun version = vesko({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("vesko ", 0), 0u);
  EXPECT_EQ(version.out.back(), '\n');
  // The folding and its version, which the indexes are keyed by.
  EXPECT_NE(version.out.find("\ncase folding: " + platform::search_folding().version + " ("), std::string::npos)
      << version.out;

  tree_.text_file("damaged.lst", "E:\\\r\nfine.txt\t1\t 2019.1.1\t0:0.0\r\nbroken\r\ncut off");
  const VeskoRun check = vesko({"--check", "--catalogues", folder_, "fine"});
  EXPECT_EQ(check.status, 0);
  EXPECT_NE(check.err.find("vesko: damaged: 2 lines skipped (not in the catalogue format)"), std::string::npos)
      << check.err;
}

// A pipe whose reader has gone: every write fails.
class ClosedPipe final : public std::streambuf {
 public:
  int writes = 0;

 protected:
  int_type overflow(int_type) override {
    ++writes;
    return traits_type::eof();
  }
  std::streamsize xsputn(const char*, std::streamsize) override {
    ++writes;
    return 0;
  }
};

TEST_F(VeskoCommandLineTest, AnOutputThatCannotBeWrittenStopsTheSearchWithTwo) {
  ClosedPipe pipe;
  std::ostream out(&pipe);
  std::ostringstream err;
  EXPECT_EQ(run_vesko({"--catalogues", folder_, "song"}, out, err), 2);
  EXPECT_EQ(err.str(), "vesko: readme.lst is not a catalogue\nvesko: cannot write the results\n");
  EXPECT_EQ(pipe.writes, 1);
}

}  // namespace
}  // namespace korvint::app
