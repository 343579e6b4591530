// Vesko's window on the headless host: the user types, selects, sorts, opens
// and copies; the worker's results arrive through the posted work.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "app/query_help.h"
#include "app/vesko_form_events.h"
#include "hosts/headless/vesko_headless.h"
#include "platform/program_folder.h"
#include "search/hit_observer.h"
#include "support/child_process.h"
#include "support/catalogue_text.h"
#include "support/held_scan.h"
#include "support/temp_tree.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace korvint::hosts::headless {
using namespace korvint::ui;
namespace {

namespace fs = std::filesystem;
using app::VeskoKey;
using test::catalogue_lines;
using test::path_text;

// Three catalogues: two of disks that are not attached, one of a folder that is.
struct VeskoFixture : ::testing::Test {
  VeskoFixture() {
    cats = path_text(tree.folder("cats"));
    disk = tree.root_text() + "disk" + platform::path_separator();
    tree.text_file("disk/sub/here.txt", "x");
    tree.text_file("cats/photos.lst", catalogue_lines("D:\\Photos\\", {"a.jpg\t300\t 2009.1.2\t8:15.42",
                                                             "2009\\\t0\t 2009.1.2\t8:0.0",
                                                             "Beach.JPG\t100\t 2019.3.15\t12:0.0",
                                                             "zebra.jpg\t200\t 2001.3.15\t12:0.0"}));
    tree.text_file("cats/backup.lst", catalogue_lines("E:\\", {"notes.txt\t12\t 2022.12.31\t23:0.0", "broken line",
                                                     "photo.jpg\t5\t 2022.1.1\t0:0.0"}));
    tree.text_file("cats/disk.lst", catalogue_lines(disk, {"sub\\\t0\t 2022.1.1\t0:0.0", "here.txt\t1\t 2022.1.1\t0:0.0",
                                                 "gone.txt\t1\t 2022.1.1\t0:0.0"}));
    tree.text_file("cats/readme.lst", "just some text\r\nnot a catalogue line\r\n");
  }

  // A window whose Vesko.ini lies in the tree's "program" folder.
  std::unique_ptr<HeadlessVeskoWindow> open(jobs::VeskoServices services = {}) {
    services.show_in_file_manager = [this](std::string_view path) {
      shown_in_file_manager.emplace_back(path);
      return platform::Status();
    };
    auto window = std::make_unique<HeadlessVeskoWindow>(app::VeskoWindowOptions{}, std::vector<std::string>{ini()},
                                                        cats, std::move(services));
    window->window.Form_Load();
    EXPECT_TRUE(window->settle());
    return window;
  }

  [[nodiscard]] std::string ini() const { return path_text(tree.root() / "program" / "Vesko.ini"); }

  static std::vector<std::string> column(const HeadlessTable& table, int column) {
    std::vector<std::string> cells;
    for (std::size_t row = 0; row < table.shown_rows(); ++row) cells.push_back(table.cell(row, column));
    return cells;
  }

  test::TempTree tree;
  std::string cats;
  std::string disk;
  std::vector<std::string> shown_in_file_manager;
};

TEST_F(VeskoFixture, OpensTheCatalogueFolderAndSearchesAsTheUserTypes) {
  auto w = open();
  EXPECT_TRUE(w->host.shown);
  EXPECT_EQ(w->host.focus, VeskoControlId::txtQuery);
  EXPECT_EQ(w->lblFolder.caption(), "Catalogues in " + cats + ": 3 catalogues, 9 entries, 619 B");
  ASSERT_EQ(w->lstCatalogues.shown_rows(), 3u);
  EXPECT_EQ(column(w->lstCatalogues, 0), (std::vector<std::string>{"backup", "disk", "photos"}));
  EXPECT_EQ(w->lstCatalogues.cell(2, 1), "D:\\Photos\\");
  // Files, folders, the files' bytes, the file's date, its age, the medium.
  EXPECT_EQ(w->lstCatalogues.cell(2, 2) + "|" + w->lstCatalogues.cell(2, 3) + "|" + w->lstCatalogues.cell(2, 4), "3|1|600 B");
  EXPECT_EQ(w->lstCatalogues.cell(2, 5).size(), 19u);  // YYYY-MM-DD HH:MM:SS
  EXPECT_EQ(w->lstCatalogues.cell(2, 6), "under a minute");
  EXPECT_EQ(w->lstCatalogues.cell(1, 7), "online");  // its root is a folder here
  EXPECT_NE(w->lblStatus.caption().find("3 catalogues (9 entries): type to search"), std::string::npos) << w->lblStatus.caption();

  w->type("jpg");
  EXPECT_TRUE(w->window.session().working());
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 4u);
  EXPECT_EQ(w->lstResults.row_text(0), "photo.jpg\tE:\\\t5\t2022-01-01 00:00:00\tbackup");
  EXPECT_EQ(w->lstResults.row_text(3), "zebra.jpg\tD:\\Photos\\2009\\\t200\t2001-03-15 12:00:00\tphotos");
  const std::string status = w->lblStatus.caption();
  EXPECT_NE(status.find("4 found in 3 catalogues (9 entries) in "), std::string::npos) << status;
  // What went wrong comes first: a long status line is cut at its end.
  for (const char* note : {"readme.lst", "backup: 1 line skipped"})
    EXPECT_LT(status.find(note), status.find("4 found")) << note << " missing from: " << status;

  w->type("size:>1k");
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 0u);
  EXPECT_NE(w->lblStatus.caption().find("0 found"), std::string::npos);

  // Folders show as folders: their separator after the name, "Folder" as size.
  w->type("type:folder");
  ASSERT_TRUE(w->settle());
  std::vector<std::string> folders;
  for (std::size_t row = 0; row < w->lstResults.shown_rows(); ++row) folders.push_back(w->lstResults.row_text(row));
  std::sort(folders.begin(), folders.end());
  EXPECT_EQ(folders, (std::vector<std::string>{"2009\\\tD:\\Photos\\\tFolder\t2009-01-02 08:00:00\tphotos",
                                               "sub" + std::string(1, platform::path_separator()) + "\t" + disk + "\tFolder\t2022-01-01 00:00:00\tdisk"}));

  w->type("size:>abc");
  EXPECT_FALSE(w->window.session().working());
  EXPECT_NE(w->lblStatus.caption().find("size:>abc"), std::string::npos) << w->lblStatus.caption();

  EXPECT_TRUE(app::on_key(w->window, VeskoControlId::lstResults, VeskoKey::Escape));
  EXPECT_EQ(w->txtQuery.text(), "");
  EXPECT_EQ(w->host.focus, VeskoControlId::txtQuery);
  EXPECT_NE(w->lblStatus.caption().find("3 catalogues"), std::string::npos);
}

TEST_F(VeskoFixture, OnlyTheLastKeystrokesSearchIsShown) {
  auto w = open();
  // Typed faster than any search ends: each keystroke replaces the search before it.
  for (const char* typed : {"j", "jp", "jpg", "jpg -", "jpg -zebra"}) w->type(typed);
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(column(w->lstResults, 0), (std::vector<std::string>{"photo.jpg", "a.jpg", "Beach.JPG"}));
  // Results of searches that were overtaken never replace newer ones.
  EXPECT_EQ(w->host.run_posted(std::chrono::milliseconds(0)), 0);
}

TEST_F(VeskoFixture, ASearchThatFindsManyShowsItsFirstRowsWhileItGoesOn) {
  using jobs::VeskoSession;
  struct Case {
    int catalogues;  // each of them holding `each` results, handed to the window catalogue by catalogue
    int each;
    std::vector<std::size_t> shown;  // the rows the table shows, one a time it is told
    const char* status;
  };
  const Case cases[] = {
      // A screenful as soon as it is found, then more, then all.
      {30, 50, {VeskoSession::kFirstRows, VeskoSession::kFirstResults, 1500}, "1,500 found in 33 catalogues"},
      {1, 2500, {VeskoSession::kFirstRows, VeskoSession::kFirstResults, 2500}, "2,500 found in 4 catalogues"},
      // Fewer than a screenful: shown once, when all are in.
      {2, 40, {80}, "80 found in 5 catalogues"},
  };
  for (const Case& c : cases) {
    for (int k = 0; k < c.catalogues; ++k) {
      std::vector<std::string> many;
      for (int i = 0; i < c.each; ++i) many.push_back("many" + std::to_string(i) + ".dat\t1\t 2020.1.1\t0:0.0");
      tree.text_file("cats/many" + std::to_string(k) + ".lst", catalogue_lines("G:\\", many));
    }
    auto w = open();
    w->lstResults.shown_counts.clear();
    w->type("many");
    ASSERT_TRUE(w->settle());
    EXPECT_EQ(w->lstResults.shown_counts, c.shown) << c.catalogues << " x " << c.each;
    EXPECT_NE(w->lblStatus.caption().find(c.status), std::string::npos) << w->lblStatus.caption();
    for (int k = 0; k < c.catalogues; ++k) fs::remove(tree.root() / "cats" / ("many" + std::to_string(k) + ".lst"));
  }
}

TEST_F(VeskoFixture, TheCatalogueSelectionRestrictsTheSearch) {
  auto w = open();
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  w->lstCatalogues.user_selects({2});
  w->window.session().lstCatalogues_SelectionChange();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(column(w->lstResults, 4), (std::vector<std::string>{"photos", "photos", "photos"}));
  EXPECT_NE(w->lblStatus.caption().find("3 found in 1 catalogue (4 entries)"), std::string::npos) << w->lblStatus.caption();
  w->lstCatalogues.user_selects({});
  w->window.session().lstCatalogues_SelectionChange();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 4u);
}

TEST_F(VeskoFixture, AHeaderClickSortsAndTheSecondReverses) {
  auto w = open();
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  struct Case {
    jobs::ResultColumn column;
    bool descending;
    std::vector<std::string> names;
  };
  using enum jobs::ResultColumn;
  for (const Case& c : {Case{Name, false, {"a.jpg", "Beach.JPG", "photo.jpg", "zebra.jpg"}},
                        Case{Name, true, {"zebra.jpg", "photo.jpg", "Beach.JPG", "a.jpg"}},
                        Case{Size, false, {"photo.jpg", "Beach.JPG", "zebra.jpg", "a.jpg"}},
                        Case{Date, false, {"zebra.jpg", "a.jpg", "Beach.JPG", "photo.jpg"}},
                        Case{Folder, false, {"a.jpg", "Beach.JPG", "zebra.jpg", "photo.jpg"}},
                        Case{Catalogue, false, {"photo.jpg", "a.jpg", "Beach.JPG", "zebra.jpg"}}}) {
    w->window.session().lstResults_HeaderClick(static_cast<int>(c.column));
    // The arrow turns at once; the status says the rows follow when sorted.
    EXPECT_NE(w->lblStatus.caption().find(jobs::VeskoSession::kSorting), std::string::npos);
    ASSERT_TRUE(w->settle());
    EXPECT_NE(w->lblStatus.caption().find("4 found"), std::string::npos) << w->lblStatus.caption();
    EXPECT_EQ(w->lstResults.sort_column, static_cast<int>(c.column));
    EXPECT_EQ(w->lstResults.sort_descending, c.descending);
    EXPECT_EQ(column(w->lstResults, 0), c.names) << static_cast<int>(c.column) << " " << c.descending;
  }
  // A new query keeps the order chosen.
  w->type("jpg -zebra");
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(column(w->lstResults, 0), (std::vector<std::string>{"photo.jpg", "a.jpg", "Beach.JPG"}));
}

TEST_F(VeskoFixture, OpeningAResultShowsItOrSaysWhereItIs) {
  auto w = open();
  w->type("txt");
  ASSERT_TRUE(w->settle());
  ASSERT_EQ(column(w->lstResults, 0), (std::vector<std::string>{"notes.txt", "here.txt", "gone.txt"}));
  const char sep = platform::path_separator();

  w->lstResults.user_selects({1});
  EXPECT_TRUE(app::on_key(w->window, VeskoControlId::lstResults, VeskoKey::Enter));
  EXPECT_EQ(shown_in_file_manager, std::vector<std::string>{disk + "sub" + sep + "here.txt"});

  w->lstResults.user_selects({2});
  w->window.session().lstResults_Open();
  ASSERT_EQ(w->host.messages.size(), 1u);
  EXPECT_EQ(w->host.messages[0], disk + "sub" + sep + "gone.txt is no longer there.\nThe catalogue \"disk\" of " +
                                     disk + " lists it as it was when the catalogue was made.");

  w->lstResults.user_selects({0});
  w->window.session().lstResults_Open();
  ASSERT_EQ(w->host.messages.size(), 2u);
  EXPECT_EQ(w->host.messages[1], "E:\\notes.txt is on a disk that is not attached.\nCatalogue: backup\nRoot: E:\\");
  EXPECT_EQ(shown_in_file_manager.size(), 1u);
}

TEST_F(VeskoFixture, TheRightClickMenuCopiesAndOpens) {
  auto w = open();
  w->type("beach");
  ASSERT_TRUE(w->settle());
  w->lstResults.user_selects({0});
  w->host.menu_answers = {ResultMenuItem::CopyPath, ResultMenuItem::CopyName, std::nullopt};
  w->window.session().lstResults_ContextMenu();
  EXPECT_EQ(w->host.clipboard, "D:\\Photos\\2009\\Beach.JPG");
  EXPECT_TRUE(app::on_key(w->window, VeskoControlId::lstResults, VeskoKey::ContextMenu));
  EXPECT_EQ(w->host.clipboard, "Beach.JPG");
  w->window.session().lstResults_ContextMenu();  // dismissed: nothing happens
  EXPECT_EQ(w->host.clipboard, "Beach.JPG");
  EXPECT_TRUE(w->host.messages.empty());
  EXPECT_EQ(w->host.menus_shown, 3);
  // Without a current row there is nothing to act on.
  w->lstResults.user_selects({});
  w->window.session().lstResults_ContextMenu();
  EXPECT_EQ(w->host.menus_shown, 3);
}

// Several rows selected: copied as full paths (also Ctrl+C), as the command
// line's lines or as names, one a line; exported whole to CSV or TSV.
TEST_F(VeskoFixture, SelectedResultsAreCopiedAndAllAreExported) {
  auto w = open();
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  ASSERT_EQ(w->lstResults.shown_rows(), 4u);
  w->lstResults.user_selects({1, 3});
  const std::string first = w->lstResults.cell(1, 1) + w->lstResults.cell(1, 0);
  const std::string second = w->lstResults.cell(3, 1) + w->lstResults.cell(3, 0);
  EXPECT_TRUE(app::on_key(w->window, VeskoControlId::lstResults, VeskoKey::Copy));
  EXPECT_EQ(w->host.clipboard, first + "\n" + second);
  EXPECT_FALSE(app::on_key(w->window, VeskoControlId::txtQuery, VeskoKey::Copy));  // the box copies its own text
  w->host.menu_answers = {ResultMenuItem::CopyLines, ResultMenuItem::CopyName};
  w->window.session().lstResults_ContextMenu();
  EXPECT_EQ(w->host.clipboard, w->lstResults.cell(1, 4) + "\t" + first + "\t" + w->lstResults.cell(1, 2) + "\t" +
                                   w->lstResults.cell(1, 3) + "\n" + w->lstResults.cell(3, 4) + "\t" + second + "\t" +
                                   w->lstResults.cell(3, 2) + "\t" + w->lstResults.cell(3, 3));
  w->window.session().lstResults_ContextMenu();
  EXPECT_EQ(w->host.clipboard, w->lstResults.cell(1, 0) + "\n" + w->lstResults.cell(3, 0));

  // Export: every row shown, whatever is selected; sizes in bytes.
  w->host.export_answer = path_text(tree.root() / "out.csv");
  tree.text_file("out.csv", "an older export");
  w->window.session().export_results();
  EXPECT_TRUE(w->host.messages.empty()) << w->host.messages.front();
  std::string expected = "\xEF\xBB\xBFName,Folder,Size,Date,Catalogue\r\n";
  for (std::size_t row = 0; row < 4; ++row) {
    std::string size = w->lstResults.cell(row, 2);
    std::erase(size, ',');
    expected += w->lstResults.cell(row, 0) + "," + w->lstResults.cell(row, 1) + "," + size + "," +
                w->lstResults.cell(row, 3) + "," + w->lstResults.cell(row, 4) + "\r\n";
  }
  EXPECT_EQ(test::read_file(w->host.export_answer), expected);
  w->host.export_answer = path_text(tree.root() / "out.tsv");
  w->window.session().export_results();
  EXPECT_NE(test::read_file(w->host.export_answer).find("Name\tFolder\tSize\tDate\tCatalogue\r\n"), std::string::npos);
  // Where a folder stands: said, the folder left alone.
  w->host.export_answer = path_text(tree.root() / "cats");
  w->window.session().export_results();
  ASSERT_EQ(w->host.messages.size(), 1u);
  EXPECT_EQ(w->host.messages[0].rfind("Could not export to " + w->host.export_answer + ": ", 0), 0u);
  EXPECT_EQ(w->host.export_suggestions.size(), 3u);
}

// A click on a catalogue column sorts the catalogues, the second the other
// way round; the selection, and the search it restricts, stay with the
// catalogues chosen.
TEST_F(VeskoFixture, TheCataloguesSortByAColumnAndKeepTheirSelection) {
  auto w = open();
  w->lstCatalogues.user_selects({2});  // photos
  app::on_selection_change(w->window, VeskoControlId::lstCatalogues);
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  ASSERT_EQ(w->lstResults.shown_rows(), 3u);
  struct Case {
    int column;
    std::vector<std::string> names;
    std::size_t photos_row;
  };
  for (const Case& c : {Case{4, {"disk", "backup", "photos"}, 2},    // by size: 2, 17, 600 bytes
                        Case{4, {"photos", "backup", "disk"}, 0},    // again: the largest first
                        Case{0, {"backup", "disk", "photos"}, 2}}) {
    app::on_header_click(w->window, VeskoControlId::lstCatalogues, c.column);
    EXPECT_EQ(column(w->lstCatalogues, 0), c.names);
    EXPECT_EQ(w->lstCatalogues.selectedRows(), std::vector<std::size_t>{c.photos_row});
    EXPECT_EQ(w->lstCatalogues.sort_column, c.column);
  }
  w->type("jpg ");
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 3u);  // still the photos catalogue alone
}

TEST_F(VeskoFixture, KeysMoveBetweenTheQueryAndTheResults) {
  auto w = open();
  struct Case {
    VeskoControlId focus;
    VeskoKey key;
    bool handled;
    std::optional<VeskoControlId> focus_after;
  };
  using enum VeskoControlId;
  for (const Case& c : {Case{lstResults, VeskoKey::FindQuery, true, txtQuery},
                        Case{txtQuery, VeskoKey::Down, true, lstResults},
                        Case{txtQuery, VeskoKey::Enter, true, lstResults},
                        Case{lstCatalogues, VeskoKey::Down, false, std::nullopt},
                        Case{txtQuery, VeskoKey::ContextMenu, false, std::nullopt}}) {
    w->host.focus.reset();
    EXPECT_EQ(app::on_key(w->window, c.focus, c.key), c.handled) << static_cast<int>(c.key);
    EXPECT_EQ(w->host.focus, c.focus_after) << static_cast<int>(c.key);
  }
  // Down into results selects the first row (once: a row chosen stays chosen).
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  EXPECT_TRUE(app::on_key(w->window, txtQuery, VeskoKey::Down));
  EXPECT_EQ(w->lstResults.selectedRows(), std::vector<std::size_t>{0});
  EXPECT_EQ(w->lstResults.currentRow(), 0u);
  w->lstResults.user_selects({2});
  EXPECT_TRUE(app::on_key(w->window, txtQuery, VeskoKey::Down));
  EXPECT_EQ(w->lstResults.selectedRows(), std::vector<std::size_t>{2});
  // F1 anywhere: the query language in a window of its own, the tooltip short.
  EXPECT_TRUE(app::on_key(w->window, lstCatalogues, VeskoKey::Help));
  ASSERT_EQ(w->host.texts_shown.size(), 1u);
  EXPECT_EQ(w->host.texts_shown[0].second, app::kQueryHelp);
  EXPECT_EQ(std::string_view(app::kQueryTooltip).find('\n'), std::string_view::npos);
  // "?" beside the query box: the same.
  app::on_click(w->window, VeskoControlId::cmdHelp);
  ASSERT_EQ(w->host.texts_shown.size(), 2u);
  EXPECT_EQ(w->host.texts_shown[1], w->host.texts_shown[0]);
}

TEST_F(VeskoFixture, ChangingTheFolderSearchesItAndKeepsItInVeskoIni) {
  tree.text_file("program/Vesko.ini", "/nowhere\r\nencoding=CP1252\r\n");
  tree.text_file("other/only.lst", catalogue_lines("F:\\", {"only.jpg\t1\t 2020.1.1\t0:0.0"}));
  const std::string other = path_text(tree.root() / "other");
  auto w = open();
  EXPECT_EQ(w->window.settings_file(), ini());
  EXPECT_EQ(w->lstCatalogues.shown_rows(), 0u);
  EXPECT_NE(w->lblStatus.caption().find("/nowhere"), std::string::npos) << w->lblStatus.caption();

  w->host.folder_answers = {""};  // cancelled: nothing changes
  w->window.cmdFolder_Click();
  EXPECT_EQ(w->host.folder_dialogs_opened_at, std::vector<std::string>{"/nowhere"});
  EXPECT_EQ(test::read_file(ini()), "/nowhere\r\nencoding=CP1252\r\n");

  w->type("jpg");
  w->host.folder_answers = {other};
  w->window.cmdFolder_Click();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lblFolder.caption().rfind("Catalogues in " + other + ": 1 catalogue", 0), 0u) << w->lblFolder.caption();
  EXPECT_EQ(column(w->lstResults, 0), std::vector<std::string>{"only.jpg"});
  EXPECT_EQ(test::read_file(ini()), other + "\r\nencoding=CP1252\r\n");
}

// The folder as another program changes it between two turns of the window:
// rows of a changed catalogue never show another version's text, and once the
// host reports the change the window shows the catalogues as they now stand.
TEST_F(VeskoFixture, TheWindowShowsTheCataloguesAsTheyNowStandAfterAChange) {
  const fs::path photos = tree.root() / "cats" / "photos.lst";
  const std::vector<std::string> old_names = {"photo.jpg", "a.jpg", "Beach.JPG", "zebra.jpg"};
  struct Case {
    const char* change;
    std::function<void()> apply;
    std::vector<std::string> names;  // of "jpg" afterwards
    std::string reloaded;
  };
  const Case cases[] = {
      {"written in place, shorter",
       [&] { test::write_file(photos, catalogue_lines("D:\\Photos\\", {"new.jpg\t1\t 2020.1.1\t0:0.0"})); },
       {"photo.jpg", "new.jpg"}, "Reloaded: photos.lst (changed)"},
      {"cut short", [&] { fs::resize_file(photos, 12 + 29); }, {"photo.jpg", "a.jpg"},
       "Reloaded: photos.lst (changed)"},
      {"replaced",
       [&] {
         test::write_file(photos.string() + ".new", catalogue_lines("D:\\Photos\\", {"other.jpg\t1\t 2020.1.1\t0:0.0"}));
         fs::rename(photos.string() + ".new", photos);
       },
       {"photo.jpg", "other.jpg"}, "Reloaded: photos.lst (changed)"},
      {"deleted", [&] { fs::remove(photos); }, {"photo.jpg"}, "Reloaded: photos.lst (gone)"},
      {"another added", [&] { tree.text_file("cats/more.lst", catalogue_lines("M:\\", {"more.jpg\t1\t 2020.1.1\t0:0.0"})); },
       {"photo.jpg", "more.jpg", "a.jpg", "Beach.JPG", "zebra.jpg"}, "Reloaded: more.lst (new)"},
  };
  const std::string original = test::read_file(photos);
  for (const Case& c : cases) {
    test::write_file(photos, original);
    fs::remove(tree.root() / "cats" / "more.lst");
    const std::string ended = test::run_in_child([&] {
      auto w = open();
      w->type("jpg");
      EXPECT_TRUE(w->settle());
      EXPECT_EQ(column(w->lstResults, 0), old_names) << c.change;
      c.apply();
      // A paint of the rows between the turns: each shows its own version or nothing.
      for (std::size_t row = 0; row < w->lstResults.shown_rows(); ++row) {
        const std::string name = w->lstResults.cell(row, 0);
        EXPECT_TRUE(name.empty() || name == old_names[row]) << c.change << ": " << name;
      }
      w->window.session().catalogues_changed();  // the host's watch
      EXPECT_TRUE(w->settle());
      w->host.run_posted(std::chrono::milliseconds(0));
      EXPECT_TRUE(w->settle());
      EXPECT_EQ(column(w->lstResults, 0), c.names) << c.change;
      EXPECT_EQ(w->txtQuery.text(), "jpg");
      EXPECT_NE(w->lblStatus.caption().find(c.reloaded), std::string::npos) << c.change << ": " << w->lblStatus.caption();
    });
    EXPECT_EQ(ended, "exit 0") << c.change;
  }
}

TEST_F(VeskoFixture, AReloadKeepsTheQueryTheSelectionAndThePlace) {
  std::vector<std::string> many;
  for (int i = 0; i < 600; ++i) many.push_back("many" + std::to_string(i) + ".dat\t1\t 2020.1.1\t0:0.0");
  tree.text_file("cats/many.lst", catalogue_lines("G:\\", many));
  auto w = open();
  EXPECT_EQ(w->host.watched_folders, std::vector<std::string>{cats});
  EXPECT_EQ(w->host.watched_files.size(), 4u);
  w->lstCatalogues.user_selects({2});  // backup, disk, many, photos
  w->window.session().lstCatalogues_SelectionChange();
  w->type("dat");
  ASSERT_TRUE(w->settle());
  ASSERT_EQ(w->lstResults.shown_rows(), 600u);
  w->lstResults.top = 250;
  w->lstResults.user_selects({260});

  // A catalogue added before the selected one: the selection follows "many",
  // and the rows, the same as before, stay where they stood.
  tree.text_file("cats/aaa.lst", catalogue_lines("A:\\", {"x.dat\t1\t 2020.1.1\t0:0.0"}));
  const std::size_t changes = w->lstResults.shown_counts.size();
  w->window.session().catalogues_changed();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstCatalogues.selectedRows(), std::vector<std::size_t>{3});
  EXPECT_EQ(w->lstResults.shown_counts.size(), changes);
  EXPECT_EQ(w->lstResults.refreshes, 1);
  EXPECT_EQ(w->lstResults.top, 250u);
  EXPECT_EQ(w->lstResults.currentRow(), 260u);
  EXPECT_NE(w->lblStatus.caption().find("Reloaded: aaa.lst (new)"), std::string::npos) << w->lblStatus.caption();
  // Nothing changed: nothing is read or searched again.
  w->window.session().catalogues_changed();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.refreshes, 1);

  // Rows that change are shown from the top.
  many.erase(many.begin());
  tree.text_file("cats/many.lst", catalogue_lines("G:\\", many));
  w->window.session().catalogues_changed();
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 599u);
  EXPECT_EQ(w->lstResults.top, 0u);

  // F5: every catalogue read afresh.
  EXPECT_TRUE(app::on_key(w->window, VeskoControlId::lstResults, VeskoKey::Reload));
  ASSERT_TRUE(w->settle());
  EXPECT_NE(w->lblStatus.caption().find("Reloaded all 5 catalogues"), std::string::npos) << w->lblStatus.caption();
  EXPECT_EQ(w->lstCatalogues.selectedRows(), std::vector<std::size_t>{3});
  // The next keystroke's status no longer speaks of the reload.
  w->type("many1");
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lblStatus.caption().find("Reloaded"), std::string::npos) << w->lblStatus.caption();
}

TEST_F(VeskoFixture, WithoutACatalogueFolderTheWindowSaysWhatToDo) {
  struct Case {
    const char* ini;  // nullptr: no Vesko.ini
    std::string folder_caption;
  };
  const Case cases[] = {{nullptr, "No catalogue folder"},
                        {"\r\n", "No catalogue folder"},  // an empty first line sets no folder
                        {"/nowhere/cats\r\n", "Catalogues in /nowhere/cats"}};
  for (const Case& c : cases) {
    fs::remove(ini());
    if (c.ini != nullptr) tree.text_file("program/Vesko.ini", c.ini);
    // Korvint's default folder does not exist either.
    HeadlessVeskoWindow w(app::VeskoWindowOptions{}, {ini()}, path_text(tree.root() / "no-default"));
    w.window.Form_Load();
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.lstCatalogues.shown_rows(), 0u);
    EXPECT_EQ(w.lblFolder.caption(), c.folder_caption);
    EXPECT_NE(w.lblStatus.caption().find(jobs::kNoFolderYet), std::string::npos) << w.lblStatus.caption();
    w.type("jpg");
    EXPECT_FALSE(w.window.session().working());
    EXPECT_NE(w.lblStatus.caption().find(jobs::kNoFolderYet), std::string::npos) << w.lblStatus.caption();
    // The first step: a folder chosen is searched and kept.
    w.host.folder_answers = {cats};
    w.window.cmdFolder_Click();
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.lstCatalogues.shown_rows(), 3u);
    EXPECT_EQ(w.lstResults.shown_rows(), 4u);
    EXPECT_EQ(test::read_file(ini()).rfind(cats + "\r\n", 0), 0u);
  }
}

#ifndef _WIN32
TEST_F(VeskoFixture, AFifoNamedLikeACatalogueIsNotWaitedFor) {
  ASSERT_EQ(::mkfifo(path_text(tree.root() / "cats" / "x.lst").c_str(), 0600), 0);
  auto w = open();
  EXPECT_EQ(w->lstCatalogues.shown_rows(), 3u);
  EXPECT_NE(w->lblStatus.caption().find("x.lst is not a file"), std::string::npos) << w->lblStatus.caption();
}
#endif

TEST_F(VeskoFixture, TheWindowIndexesItsCataloguesAndSearchesThroughThem) {
  jobs::VeskoServices services;
  services.index_folder = path_text(tree.root() / "cache");
  auto w = open(services);
  // The keeper builds on a thread of its own; the window shows its progress, then its usual status.
  const auto indexes = [&] {
    return fs::exists(services.index_folder) ? std::distance(fs::directory_iterator(services.index_folder), {}) : 0;
  };
  for (int i = 0; i < 200 && (indexes() < 3 || w->lblStatus.caption().find("Indexing") != std::string::npos); ++i)
    w->host.run_posted(std::chrono::milliseconds(50));
  EXPECT_EQ(indexes(), 3);
  EXPECT_EQ(w->lblStatus.caption().find("Indexing"), std::string::npos) << w->lblStatus.caption();
  w->type("jpg");
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 4u);
  EXPECT_EQ(w->lstResults.row_text(3), "zebra.jpg\tD:\\Photos\\2009\\\t200\t2001-03-15 12:00:00\tphotos");
  // A window opened later takes the counts from the indexes: the same rows.
  auto again = open(services);
  EXPECT_EQ(again->lblFolder.caption(), w->lblFolder.caption());
  EXPECT_EQ(jobs::indexing_text(2, 31), "Indexing 3 of 31...");
  EXPECT_EQ(jobs::indexing_text(31, 31), "");
}

TEST_F(VeskoFixture, TheWindowSaysWhichCataloguesCouldNotBeIndexed) {
  jobs::VeskoServices services;
  // A file where the cache folder should be: no index can be written below it.
  services.index_folder = path_text(tree.root() / "cache");
  std::ofstream(tree.root() / "cache") << "x";
  auto w = open(services);
  for (int i = 0; i < 200 && w->lblStatus.caption().find("Not indexed") == std::string::npos; ++i)
    w->host.run_posted(std::chrono::milliseconds(50));
  EXPECT_NE(w->lblStatus.caption().find("Not indexed: "), std::string::npos) << w->lblStatus.caption();
  EXPECT_NE(w->lblStatus.caption().find(", and 2 more"), std::string::npos) << w->lblStatus.caption();
  w->type("jpg");  // searched whole all the same
  ASSERT_TRUE(w->settle());
  EXPECT_EQ(w->lstResults.shown_rows(), 4u);
}

// Holds every search of the catalogue "held" as it starts reading it, until the test opens the gate.
class HoldingObserver final : public search::HitObserver {
 public:
  explicit HoldingObserver(test::Gate& gate) : gate_(gate) {}
  std::unique_ptr<search::HitRecorder> open(const search::Catalogue& catalogue, std::size_t,
                                            const search::Chunk&) const override {
    if (catalogue.name() == "held") gate_.pass();
    return nullptr;
  }

 private:
  test::Gate& gate_;
};

TEST_F(VeskoFixture, ASearchTheUserWaitsForSaysSoAndShowsWhatItFoundSoFar) {
  // Between backup (photo.jpg) and photos (a.jpg, Beach.JPG, zebra.jpg): the search waits here.
  tree.text_file("cats/held.lst", catalogue_lines("H:\\", {"late.jpg\t1\t 2020.1.1\t0:0.0"}));
  const std::string idle = "4 catalogues (10 entries): type to search";
  const std::string searching = "Searching...";
  enum class Act { Type, Clock, Release };
  struct Step {
    Act act;
    std::string text;  // typed
    int milliseconds;  // the window's clock moved on
    std::string status;
    std::vector<std::string> rows;
  };
  struct Case {
    const char* what;
    bool held;
    std::vector<Step> steps;
  };
  using enum Act;
  const std::vector<std::string> all = {"photo.jpg", "late.jpg", "a.jpg", "Beach.JPG", "zebra.jpg"};
  for (const Case& c : {
           Case{"a search held past the delay",
                true,
                {{Type, "jpg", 0, idle, {}},
                 {Clock, "", 199, idle, {}},
                 {Clock, "", 1, searching + " 1 found so far", {"photo.jpg"}},
                 {Clock, "", 400, searching + " 1 found so far", {"photo.jpg"}},
                 {Release, "", 0, "5 found in 4 catalogues", all},
                 {Clock, "", 1000, "5 found in 4 catalogues", all}}},
           Case{"a keystroke overtaking it",
                true,
                {{Type, "jpg", 0, idle, {}},
                 {Clock, "", 200, searching + " 1 found so far", {"photo.jpg"}},
                 // Held behind the first: nothing found yet, and nothing of the first shown.
                 {Type, "zebra", 0, searching, {"photo.jpg"}},
                 {Clock, "", 200, searching, {}},
                 {Clock, "", 200, searching, {}},
                 {Release, "", 0, "1 found in 4 catalogues", {"zebra.jpg"}}}},
           Case{"a search that ends before the delay",
                false,
                {{Type, "zebra", 0, "1 found in 4 catalogues", {"zebra.jpg"}},
                 {Clock, "", 1000, "1 found in 4 catalogues", {"zebra.jpg"}}}},
       }) {
    SCOPED_TRACE(c.what);
    test::Gate gate;
    HoldingObserver observer(gate);
    if (!c.held) gate.open();
    jobs::VeskoServices services;
    services.search_observer = &observer;
    services.threads = 1;  // what comes before the held catalogue is found before the search waits
    auto w = open(services);
    // Let go before the window closes, whatever happened: the search ends and the window waits for nothing.
    const std::unique_ptr<test::Gate, void (*)(test::Gate*)> let_go(&gate, [](test::Gate* g) { g->open(); });
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      const Step& step = c.steps[i];
      SCOPED_TRACE("step " + std::to_string(i));
      switch (step.act) {
        case Type:
          w->type(step.text);
          if (c.held) {
            ASSERT_TRUE(gate.wait_until_holding());
          } else {
            ASSERT_TRUE(w->settle());
          }
          break;
        case Clock:
          w->host.advance_clock(std::chrono::milliseconds(step.milliseconds));
          w->host.run_posted(std::chrono::milliseconds(0));
          break;
        case Release:
          gate.open();
          ASSERT_TRUE(w->settle());
          break;
      }
      const std::string status = w->lblStatus.caption();
      EXPECT_NE(status.find(step.status), std::string::npos) << status;
      if (step.status.find(searching) == std::string::npos) {
        EXPECT_EQ(status.find(searching), std::string::npos) << status;
      }
      if (step.status == searching) {
        EXPECT_EQ(status.find("found so far"), std::string::npos) << status;
      }
      EXPECT_EQ(column(w->lstResults, 0), step.rows);
    }
    EXPECT_FALSE(gate.ceiling_reached());
  }
}

TEST(VeskoWorker, ClosingDoesNotWaitForAJobThatDoesNotReturn) {
  // A job held where it cannot be cancelled, as in a read from a disk that does not answer.
  auto release = std::make_shared<std::atomic<bool>>(false);
  auto ended = std::make_shared<std::atomic<bool>>(false);
  auto worker = std::make_unique<jobs::SearchWorker>();
  std::atomic<bool> started{false};
  worker->submit([release, ended, &started](const std::atomic<bool>&) {
    started = true;
    while (!release->load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ended->store(true);
  });
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  worker.reset();  // returns although the job still runs
  EXPECT_FALSE(ended->load());
  release->store(true);
  for (int i = 0; i < 2000 && !ended->load(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(ended->load());
}

}  // namespace
}  // namespace korvint::hosts::headless
