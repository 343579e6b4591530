// Bad text in the path, name and folder boxes, typed by the user or read at
// start-up, run through the window's own handlers on a real folder tree. Each
// case ends in a right catalogue or in a failure that names the path and the
// reason; never a crash, a hang or a failure shown as success. A failed scan
// leaves the earlier catalogue and its backup as they were, and the window is
// ready for the next scan.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/start_up.h"
#include "jobs/entry_keys.h"
#include "jobs/scan_all.h"
#include "jobs/scan_job.h"
#include "platform/program_folder.h"
#include "support/catalogue_reader.h"
#include "support/form_fixture.h"
#include "support/held_scan.h"
#include "jobs/scan_list.h"

namespace korvint::jobs {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;
using test::path_text;
using test::read_file;
using test::write_file;

const std::string kSep(1, platform::path_separator());

// A name the file system refuses, and the reason the system gives ("" where
// the wording is the system's own and not checked).
struct Refused {
  std::string label;
  std::string text;
  std::string reason;
};

// The reasons the system gives for a name too long and for a path through a file.
#ifdef _WIN32
const std::string kTooLong;
const std::string kThroughAFile;
#else
const std::string kTooLong = "File name too long";
const std::string kThroughAFile = "Not a directory";
#endif

std::vector<Refused> refused_names() {
  std::vector<Refused> names{{"a name longer than 255 bytes", std::string(300, 'n'), kTooLong},
                             {"10,000 characters", std::string(10000, 'n'), kTooLong}};
#ifdef _WIN32
  names.push_back({"characters Windows refuses", "a<b>c|d?e*f\"g", ""});
#endif
  return names;
}

// Every file and folder below `folder` with its content: a failed scan must change none.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string name = path_text(entry.path().lexically_relative(folder));
    found[name] = entry.is_directory() ? std::string("<folder>") : read_file(entry.path());
  }
  return found;
}

// The window is idle again, as after any job.
void expect_idle(FormFixture& f) {
  EXPECT_TRUE(f.window->Command1.enabled());
  EXPECT_FALSE(f.window->mStop.visible());
  EXPECT_FALSE(f.window->host.hourglass);
  EXPECT_FALSE(f.form().scanRunning);
}

// The job failed and the window says so: the count label names `path` and a
// reason, and neither label shows what a finished scan shows.
void expect_failure_shown(FormFixture& f, const std::string& path, const std::string& reason) {
  const std::string shown = f.window->Label2.caption();
  EXPECT_EQ(f.window->Label1.caption(), kScanFailed);
  EXPECT_NE(shown, kLessThan500);
  EXPECT_NE(shown.find("\"" + path + "\": "), std::string::npos) << shown.substr(0, 300);
  EXPECT_GT(shown.size(), shown.rfind("\": ") + 3) << "no reason after the path";
  if (!reason.empty()) {
    EXPECT_NE(shown.find(reason), std::string::npos) << shown.substr(0, 300);
  }
  expect_idle(f);
}

// The job failed because its root cannot be opened: the count label names the
// root (with or without its last separator) and the reason.
void expect_root_failure_shown(FormFixture& f, std::string root, const std::string& reason) {
  while (root.size() > 1 && root.back() == kSep[0]) root.pop_back();
  const std::string shown = f.window->Label2.caption();
  EXPECT_EQ(f.window->Label1.caption(), kScanFailed);
  EXPECT_EQ(shown.rfind("Cannot open \"" + root, 0), 0u) << shown.substr(0, 300);
  EXPECT_NE(shown.find(reason), std::string::npos) << shown.substr(0, 300);
  expect_idle(f);
}

// A plain scan right after: the window is usable again.
void expect_next_scan_works(FormFixture& f) {
  f.prepare_scan("ok", "next.lst");
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  EXPECT_TRUE(outcome && outcome->completed()) << f.window->Label2.caption();
  EXPECT_EQ(read_file(f.output("next.lst")), f.window->Text1.text() + "\r\n");
  fs::remove(f.output("next.lst"));
}

// Runs the test's body in another current folder and comes back.
struct InFolder {
  explicit InFolder(const fs::path& folder) : saved(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(saved); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;
  fs::path saved;
};

TEST(TextInputs, AnOutputFolderTheSystemRefusesIsShownAsAFailureAndChangesNothing) {
  FormFixture f;
  f.tree.text_file("out/afile", "a file, not a folder");
  f.tree.text_file("root/a.txt", "x");
  const std::string out = path_text(f.tree.root() / "out") + kSep;
  std::vector<Refused> cases;
  for (const Refused& r : refused_names()) cases.push_back({r.label, out + r.text + kSep, r.reason});
  cases.push_back({"a folder that is a file", out + "afile" + kSep, kThroughAFile});
  cases.push_back({"a folder below a file", out + "afile" + kSep + "deeper" + kSep, kThroughAFile});

  for (const Refused& c : cases) {
    SCOPED_TRACE(c.label);
    const auto before = snapshot(f.tree.root());
    f.prepare_scan("root", "cat.lst");
    f.window->Text5.setText(c.text);
    Command1_Click(f.form());
    expect_failure_shown(f, c.text + "cat.lst", c.reason);
    EXPECT_EQ(f.window->Text5.text(), c.text);
    EXPECT_EQ(snapshot(f.tree.root()), before);
    expect_next_scan_works(f);
  }
}

TEST(TextInputs, AnOutputNameTheSystemRefusesIsShownAsAFailureAfterEnterInTheNameBox) {
  FormFixture f;
  f.tree.text_file("out/afile", "a file, not a folder");
  f.tree.folder("root");
  std::vector<Refused> cases = refused_names();
  cases.push_back({"a name through a file", "afile" + kSep + "x", kThroughAFile});

  for (const Refused& c : cases) {
    SCOPED_TRACE(c.label);
    const auto before = snapshot(f.tree.root());
    f.prepare_scan("root", c.text);
    std::int16_t key = kEnter;
    Text4_KeyPress(f.form(), key);
    EXPECT_EQ(key, kEnter);  // the name box handles Enter as usual afterwards
    EXPECT_EQ(f.window->Text4.text(), c.text + ".lst");
    expect_failure_shown(f, path_text(f.tree.root() / "out") + kSep + c.text + ".lst", c.reason);
    EXPECT_EQ(snapshot(f.tree.root()), before);
    expect_next_scan_works(f);
  }
}

TEST(TextInputs, ANameWhoseBackupNameIsRefusedKeepsTheEarlierCatalogue) {
  // 255 characters is the longest name; its backup and lock file names, longer, are refused.
  FormFixture f;
  const std::string name = std::string(251, 'b') + ".lst";
  f.prepare_scan("root", name);
  const std::string earlier("earlier catalogue\r\n\x01\xff", 21);
  write_file(f.output(name), earlier);
  ASSERT_EQ(read_file(f.output(name)), earlier);
  const auto before = snapshot(f.tree.root());

  Command1_Click(f.form());

  expect_failure_shown(f, path_text(f.tree.root() / "out") + kSep + name, "");
  EXPECT_EQ(snapshot(f.tree.root()), before);
  expect_next_scan_works(f);
}

TEST(TextInputs, BlankSpacedOrDottedNamesGiveACatalogueWhereTheJoinedPathPoints) {
  FormFixture f;
  f.tree.folder("root");
  const std::string up = ".." + kSep + "up";
  struct Case {
    std::string typed, shown;
    fs::path written;
  };
  // (An empty or blank name is refused: the scan job's tests.)
  const std::vector<Case> cases{{up, up + ".lst", f.tree.root() / "up.lst"},
#ifdef _WIN32
                                {"../slash", "../slash.lst", f.tree.root() / "slash.lst"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("name \"" + c.typed + "\"");
    f.prepare_scan("root", c.typed);
    write_file(c.written, "earlier\r\n");
    std::int16_t key = kEnter;
    Text4_KeyPress(f.form(), key);
    EXPECT_EQ(f.window->Text4.text(), c.shown);
    EXPECT_EQ(f.window->Label2.caption(), kLessThan500);
    EXPECT_EQ(read_file(c.written), f.window->Text1.text() + "\r\n");
    EXPECT_FALSE(fs::exists(c.written.string() + ".old"));
    fs::remove(c.written);
    expect_idle(f);
  }
}

TEST(TextInputs, BlankSpacedOrDottedOutputFoldersGiveACatalogueWhereTheJoinedPathPoints) {
  FormFixture f;
  f.tree.folder("out/sub");
  f.tree.folder("here");
  InFolder here(f.tree.root() / "here");
  const std::string out = path_text(f.tree.root() / "out") + kSep;
  struct Case {
    std::string folder;
    fs::path written;
  };
  const std::vector<Case> cases{
      {"", f.tree.root() / "here" / "cat.lst"},
      {"   ", f.tree.root() / "here" / "   cat.lst"},  // the folder box is used as typed
      {out + "sub" + kSep + ".." + kSep, f.output("cat.lst")},
#ifdef _WIN32
      {out + "sub/../", f.output("cat.lst")},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("folder \"" + c.folder + "\"");
    f.prepare_scan("root", "cat.lst");
    f.window->Text5.setText(c.folder);
    write_file(c.written, "earlier\r\n");
    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    EXPECT_TRUE(outcome && outcome->completed()) << f.window->Label2.caption();
    EXPECT_EQ(read_file(c.written), f.window->Text1.text() + "\r\n");
    EXPECT_FALSE(fs::exists(c.written.string() + ".old"));
    EXPECT_EQ(f.window->Text5.text(), c.folder);
    fs::remove(c.written);
    expect_idle(f);
  }
}

// A disk that is not there must not cost the catalogue kept for it: the scan
// fails, naming the root (as normalised) and the reason, and nothing under the
// output name is touched.
TEST(TextInputs, ARootTheSystemCannotOpenFailsAndLeavesTheEarlierCatalogue) {
  FormFixture f;
  f.tree.text_file("afile", "a file, not a folder");
  const std::string base = path_text(f.tree.root()) + kSep;
  std::vector<Refused> cases;
  for (const Refused& r : refused_names()) cases.push_back({r.label, base + r.text, r.reason});
  cases.push_back({"a missing root", base + "not-mounted", ""});
  cases.push_back({"a root that is a file", base + "afile", kThroughAFile});
  cases.push_back({"a root below a file", base + "afile" + kSep + "sub", kThroughAFile});
  cases.push_back({"10,000 characters of many folders",
                   base + [] {
                     std::string deep;
                     while (deep.size() < 10000) deep += std::string(99, 'd') + kSep;
                     return deep;
                   }(),
                   ""});

  for (const Refused& c : cases) {
    SCOPED_TRACE(c.label);
    f.prepare_scan("unused", "cat.lst");
    write_file(f.output("cat.lst"), "earlier\r\n");
    const auto before = snapshot(f.tree.root());
    f.window->Text1.setText("  " + c.text + "  ");
    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    const std::string root = c.text.back() == kSep[0] ? c.text : c.text + kSep;
    EXPECT_EQ(f.window->Text1.text(), root);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->end, ScanEnd::failed);
    expect_root_failure_shown(f, root, c.reason);
    EXPECT_EQ(snapshot(f.tree.root()), before);
  }
  expect_next_scan_works(f);
}

TEST(TextInputs, ARootWithDotDotPartsIsWrittenAsTypedAndListsTheFolderItLeadsTo) {
  FormFixture f;
  f.tree.file("data/a.txt", 3, 0);
  f.tree.file("data/sub/b.txt", 4, 0);
  const std::string data = path_text(f.tree.root() / "data");
  std::vector<std::string> roots{data + kSep + "sub" + kSep + ".." + kSep};
#ifdef _WIN32
  roots.push_back(data + kSep + "sub/../");
#endif
  for (const std::string& root : roots) {
    SCOPED_TRACE(root);
    f.prepare_scan("unused", "dots.lst");
    f.window->Text1.setText(root.substr(0, root.size() - 1));  // typed without its last separator
    Command1_Click(f.form());
    EXPECT_EQ(f.window->Text1.text(), root.substr(0, root.size() - 1) + kSep);
    const test::ParsedCatalogue parsed = test::parse_catalogue(read_file(f.output("dots.lst")));
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.header, f.window->Text1.text());
    EXPECT_EQ(parsed.files.at(""), (std::multiset<std::string>{"a.txt\t3\t 1970.1.1\t0:0.0"}));
    EXPECT_EQ(parsed.files.at("sub\\"), (std::multiset<std::string>{"b.txt\t4\t 1970.1.1\t0:0.0"}));
    expect_idle(f);
  }
}

// A root typed relative to the current folder is written as the absolute
// path it names: a catalogue's header must lead to its files wherever and
// whenever the catalogue is read. Levels of "." go; links are not resolved.
TEST(TextInputs, ARelativeRootIsWrittenAbsolute) {
  FormFixture f;
  f.tree.file("data/sub/b.txt", 4, 0);
  const std::string data = path_text(f.tree.root() / "data") + kSep;
  InFolder here(f.tree.root());
  struct Case {
    std::string typed, header;
    std::string shell_folder;  // $PWD, as a shell sets it; "" for none
  };
#ifndef _WIN32
  const char* const saved_pwd = std::getenv("PWD");
  const std::string saved = saved_pwd ? saved_pwd : "";
#endif
  std::vector<Case> cases{{"data", data, ""},
                          {"." + kSep + "data" + kSep, data, ""},
                          {"data" + kSep + "." + kSep + "sub", data + "sub" + kSep, ""}};
#ifndef _WIN32
  // Through a link, as the shell's current folder names it.
  fs::create_directory_symlink(f.tree.root(), f.tree.root() / "link");
  const std::string link = path_text(f.tree.root() / "link");
  cases.push_back({"data", link + kSep + "data" + kSep, link});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
#ifndef _WIN32
    if (c.shell_folder.empty()) ::unsetenv("PWD"); else ::setenv("PWD", c.shell_folder.c_str(), 1);
#endif
    f.prepare_scan("unused", "rel.lst");
    f.window->Text1.setText(c.typed);
    Command1_Click(f.form());
    EXPECT_EQ(f.window->Text1.text(), c.header);
    EXPECT_EQ(test::parse_catalogue(read_file(f.output("rel.lst"))).header, c.header);
    EXPECT_NE(read_file(f.output("rel.lst")).find("b.txt\t4\t"), std::string::npos);
    expect_idle(f);
  }
#ifndef _WIN32
  if (saved.empty()) ::unsetenv("PWD"); else ::setenv("PWD", saved.c_str(), 1);
#endif
}

TEST(TextInputs, EnterInThePathBoxNamesLongOrOddPathsWithoutFailing) {
  FormFixture f;
  const std::string base = path_text(f.tree.root()) + kSep;
  std::string deep = base;
  while (deep.size() < 10000) deep += std::string(99, 'd') + kSep;
  deep += "last" + kSep;
  struct Case {
    std::string path, name;
  };
  const std::vector<Case> cases{
      {deep, "last.lst"},
      {base + std::string(10000, 'r'), std::string(10000, 'r') + ".lst"},
      {std::string(10000, ' '), std::string(10000, ' ') + ".lst"},
      {std::string(10000, kSep[0]), ".lst"},  // the part after the last separator is empty
      {"     ", "     .lst"},
      {kSep + kSep + kSep + kSep, ".lst"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path.substr(0, 40));
    f.window->Text1.setText(c.path);
    f.window->Text4.setText("");
    std::int16_t key = kEnter;
    Text1_KeyPress(f.form(), key);
    EXPECT_EQ(key, 0);
    EXPECT_EQ(f.window->Text1.text(), c.path);
    EXPECT_EQ(f.window->Text4.text(), c.name);
  }

  // Enter in the name box scans with the derived name: the deep path is longer
  // than the system takes, and the scan says so. A name of 10,000 characters
  // is refused, and said so.
  f.prepare_scan("unused", "");
  f.window->Text1.setText(deep);
  std::int16_t key = kEnter;
  Text1_KeyPress(f.form(), key);
  key = kEnter;
  Text4_KeyPress(f.form(), key);
  EXPECT_EQ(f.window->Text4.text(), "last.lst");
  expect_root_failure_shown(f, deep, kTooLong);
  EXPECT_FALSE(fs::exists(f.output("last.lst")));

  fs::create_directories(f.tree.root() / "named");
  f.window->Text1.setText(path_text(f.tree.root() / "named"));
  f.window->Text4.setText(std::string(10000, 'r'));
  key = kEnter;
  Text4_KeyPress(f.form(), key);
  expect_failure_shown(f, f.window->Text5.text() + std::string(10000, 'r') + ".lst", kTooLong);
  expect_next_scan_works(f);
}

TEST(TextInputs, AListEntryWithARefusedNameFailsAloneAndScanAllSaysSo) {
  FormFixture f;
  f.prepare_scan("unused", "");
  f.tree.file("one/a", 1, 0);
  f.tree.file("two/b", 2, 0);
  const std::string too_long = path_text(f.tree.root()) + kSep + std::string(10000, 'r');
  f.window->List1.AddItem(path_text(f.tree.root() / "one"));
  f.window->List1.AddItem(too_long);
  f.window->List1.AddItem(path_text(f.tree.root() / "two"));
  f.window->List1.on_click = [&] { jobs::List1_Click(f.form()); };

  // A click on the entry and "Scan selected".
  f.window->List1.setListIndex(1);
  EXPECT_EQ(f.window->Text1.text(), too_long);
  EXPECT_EQ(f.window->Text4.text(), std::string(10000, 'r') + ".lst");
  Command1_Click(f.form());
  expect_root_failure_shown(f, too_long, kTooLong);

  // "Scan all": the other entries are written, and the end shows the failure.
  Command5_Click(f.form());
  EXPECT_NE(read_file(f.output("one.lst")).find("a\t1"), std::string::npos);
  EXPECT_NE(read_file(f.output("two.lst")).find("b\t2"), std::string::npos);
  const std::string shown = f.window->Label2.caption();
  EXPECT_NE(shown, kManyFiles);
  EXPECT_NE(shown.find("1 failed"), std::string::npos) << shown.substr(0, 200);
  EXPECT_NE(shown.find("Cannot open \"" + too_long), std::string::npos);
  EXPECT_EQ(f.window->Label1.caption().rfind(kTotalSecondsItTook, 0), 0u);
  expect_idle(f);
  expect_next_scan_works(f);
}

TEST(TextInputs, ABinarySettingsFileGivesItsFirstLineUnchanged) {
  struct Case {
    std::string content, first_line;
  };
  const std::vector<Case> cases{
      {std::string("ab\0c\x01\x7f\r\nnext", 11), std::string("ab\0c\x01\x7f", 6)},
      {std::string("\0\0\0\rnext\n", 9), std::string("\0\0\0", 3)},
      {std::string("\x01\x02\x03\rrest\rmore"), std::string("\x01\x02\x03")},
      {std::string("\xff\xfeX\0:\0\r\0\n\0", 10), std::string("\xff\xfeX\0:\0", 6)},  // UTF-16 text
      {std::string("hi\x80\xff\xfe\x81", 6), std::string("hi\x80\xff\xfe\x81", 6)},
  };
  for (const Case& c : cases) {
    FormFixture f;
    write_file(fs::path(f.form().services.program_folder) / "Vesko.ini", c.content);
    app::Form_Load(f.form(), {});
    const std::string shown = f.window->Text5.text();
#ifdef _WIN32
    // Read in the ANSI code page: the bytes below 128 stay as they are.
    const std::size_t ascii = c.first_line.find_first_of(std::string("\x80\xff\xfe\x81"));
    EXPECT_EQ(shown.substr(0, ascii), c.first_line.substr(0, ascii));
    EXPECT_EQ(shown.empty(), c.first_line.empty());
#else
    EXPECT_EQ(shown, c.first_line);
#endif
    EXPECT_EQ(shown.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(f.window->Text1.text(), app::default_start_values().Text1);
    expect_idle(f);
  }
}

TEST(TextInputs, APathHoldingANulIsRefusedBeforeAnyFileIsTouched) {
  // A NUL ends a path where the system reads it: "out/victim<NUL>..." would
  // name the file "out/victim". The job must not delete or overwrite it.
  FormFixture f;
  f.tree.text_file("root/a.txt", "x");
  const std::string out = path_text(f.tree.root() / "out") + kSep;
  const std::string nul(1, '\0');
  write_file(f.output("victim"), "not a catalogue\r\n");
  write_file(f.output("cat.lst"), "earlier\r\n");
  write_file(f.output("cat.lst.old"), "older\r\n");
  // The output folder as a binary settings file gives it at start-up.
  write_file(fs::path(f.form().services.program_folder) / "Vesko.ini", out + "victim" + nul + "\r\n");
  const auto before = snapshot(f.tree.root());

  app::Form_Load(f.form(), {});
  ASSERT_EQ(f.window->Text5.text(), out + "victim" + nul);
  f.window->Text1.setText(path_text(f.tree.root() / "root"));
  f.window->Text4.setText("cat.lst");
  Command1_Click(f.form());
  EXPECT_NE(f.window->Label2.caption().find("NUL"), std::string::npos) << f.window->Label2.caption();
  expect_failure_shown(f, out + "victim<NUL>cat.lst", "");
  EXPECT_EQ(snapshot(f.tree.root()), before);

  // The name and the root.
  struct Case {
    std::string root, name, shown;
  };
  const std::string root = path_text(f.tree.root() / "root");
  for (const Case& c : {Case{root, "victim" + nul + "x", out + "victim<NUL>x.lst"},
                        Case{root + nul + "x", "cat.lst", root + "<NUL>x" + kSep}}) {
    f.prepare_scan("root", c.name);
    f.window->Text1.setText(c.root);
    Command1_Click(f.form());
    expect_failure_shown(f, c.shown, "NUL");
    EXPECT_EQ(snapshot(f.tree.root()), before);
  }
  expect_next_scan_works(f);
}

}  // namespace
}  // namespace korvint::jobs
