// Vesko's duplicates and comparison views on the headless host: reached from
// the main window (Ctrl+D, the catalogues' menu), computed on the worker,
// shown as groups, and acted on as results are.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/vesko_form_events.h"
#include "hosts/headless/vesko_headless.h"
#include "platform/program_folder.h"
#include "search/catalogue_overview.h"
#include "search/compare.h"
#include "search/duplicates.h"
#include "support/catalogue_text.h"
#include "support/temp_tree.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;
namespace {

using app::VeskoKey;
using test::catalogue_lines;
using test::path_text;

// Three catalogues: a and b of disks that are not attached, c of a folder that is.
struct ViewsFixture : ::testing::Test {
  ViewsFixture() {
    cats = path_text(tree.folder("cats"));
    disk = tree.root_text() + "disk" + platform::path_separator();
    tree.text_file("disk/big.iso", "x");
    tree.text_file("cats/a.lst", catalogue_lines("D:\\", {"big.iso\t5000\t 2020.1.1\t0:0.0", "old.doc\t9\t 2020.1.1\t0:0.0",
                                               "song.mp3\t300\t 2020.1.1\t0:0.0", "Photos\\\t0\t 2020.1.1\t0:0.0",
                                               "cat.jpg\t100\t 2020.1.1\t0:0.0"}));
    tree.text_file("cats/b.lst", catalogue_lines("E:\\", {"big.iso\t5000\t 2020.1.1\t0:0.0", "new.txt\t7\t 2021.5.5\t0:0.0",
                                               "song.mp3\t300\t 2021.5.5\t0:0.0", "Photos\\\t0\t 2020.1.1\t0:0.0",
                                               "cat.jpg\t100\t 2020.1.1\t0:0.0"}));
    tree.text_file("cats/c.lst", catalogue_lines(disk, {"big.iso\t5000\t 2020.1.1\t0:0.0", "empty.txt\t0\t 2020.1.1\t0:0.0",
                                              "cat.jpg\t100\t 2020.1.1\t0:0.0"}));
    window = std::make_unique<HeadlessVeskoWindow>(app::VeskoWindowOptions{},
                                                   std::vector<std::string>{path_text(tree.root() / "Vesko.ini")}, cats,
                                                   services());
    window->window.Form_Load();
    EXPECT_TRUE(window->settle());
  }

  jobs::VeskoServices services() {
    jobs::VeskoServices services;
    services.show_in_file_manager = [this](std::string_view path) {
      shown_in_file_manager.emplace_back(path);
      return platform::Status();
    };
    return services;
  }

  [[nodiscard]] HeadlessViewWindow& view() const { return *window->host.view; }
  [[nodiscard]] std::vector<std::string> rows() const {
    std::vector<std::string> texts;
    for (std::size_t row = 0; row < view().table.shown_rows(); ++row) texts.push_back(view().table.row_text(row));
    return texts;
  }
  void select_catalogues(std::vector<std::size_t> rows) {
    window->lstCatalogues.user_selects(std::move(rows));
    app::on_selection_change(window->window, VeskoControlId::lstCatalogues);
    EXPECT_TRUE(window->settle());
  }

  test::TempTree tree;
  std::string cats;
  std::string disk;
  std::vector<std::string> shown_in_file_manager;
  std::unique_ptr<HeadlessVeskoWindow> window;
};

// A group's own row (number, copies, wasted bytes, name, size), then its
// files' catalogues, in the order the view shows them.
std::vector<std::string> outline(const HeadlessTable& table) {
  std::vector<std::string> rows;
  for (std::size_t row = 0; row < table.shown_rows(); ++row) {
    if (!table.cell(row, 0).empty()) {
      rows.push_back(table.cell(row, 0) + " " + table.cell(row, 1) + "x " + table.cell(row, 3) + " " +
                     table.cell(row, 5) + " wastes " + table.cell(row, 2));
    } else {
      rows.back() += " " + table.cell(row, 7);
    }
  }
  return rows;
}

TEST_F(ViewsFixture, DuplicatesAreGroupedByWasteNarrowedByQueryAndSelection) {
  const std::string kb = search::byte_size_text(10000);
  struct Case {
    std::string query;
    std::vector<std::size_t> selected;  // catalogue rows: a, b, c
    std::vector<std::string> outline;
    std::string status;
  };
  const std::vector<Case> cases{
      {"",
       {},
       {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 2x song.mp3 300 wastes 300 B a b",
        "3 3x cat.jpg 100 wastes 200 B a b c"},
       "3 groups of duplicates, 8 files, 10 KB wasted, in 3 catalogues"},
      {"ext:jpg", {}, {"1 3x cat.jpg 100 wastes 200 B a b c"}, "1 group of duplicates, 3 files"},
      {"", {0, 2}, {"1 2x big.iso 5,000 wastes " + search::byte_size_text(5000) + " a c",
                    "2 2x cat.jpg 100 wastes 100 B a c"}, "2 groups"},
      {"song", {0, 2}, {}, "No duplicates among the files found in 2 catalogues"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    select_catalogues(c.selected);
    window->type(c.query);
    ASSERT_TRUE(window->settle());
    ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
    EXPECT_TRUE(view().shown);
    EXPECT_EQ(view().title, std::string(kDuplicatesTitle));
    EXPECT_NE(view().status.caption().find("Finding duplicates"), std::string::npos);
    ASSERT_TRUE(window->settle());
    EXPECT_EQ(outline(view().table), c.outline);
    EXPECT_EQ(view().status.caption().rfind(c.status, 0), 0u) << view().status.caption();
  }
  // A query that does not read says why, and no view runs.
  window->type("size:>");
  ASSERT_TRUE(window->settle());
  app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates);
  EXPECT_FALSE(window->window.views().working());
  EXPECT_EQ(window->host.messages.size(), 1u);
}

TEST_F(ViewsFixture, ActionsOnAViewsRowsAreThoseOfResults) {
  ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
  ASSERT_TRUE(window->settle());
  HeadlessTable& table = view().table;
  ViewEvents& events = view().events;
  // Rows 1..3: big.iso in a (D:, not attached), b, and c (a folder that is there).
  table.user_selects({3});
  events.view_Open();
  EXPECT_EQ(shown_in_file_manager, std::vector<std::string>{disk + "big.iso"});
  table.user_selects({1});
  events.view_Open();
  ASSERT_EQ(window->host.messages.size(), 1u);
  EXPECT_NE(window->host.messages[0].find("D:\\big.iso is on a disk that is not attached"), std::string::npos);
  table.user_selects({0});  // a group's own row opens nothing
  events.view_Open();
  EXPECT_EQ(window->host.messages.size(), 1u);

  table.user_selects({0, 1, 2});  // the group's row has no path of its own
  events.view_Copy();
  EXPECT_EQ(window->host.clipboard, "D:\\big.iso\nE:\\big.iso");
  window->host.menu_answers = {ResultMenuItem::CopyName, ResultMenuItem::CopyLines, ResultMenuItem::Export};
  table.user_selects({9});
  events.view_ContextMenu();
  EXPECT_EQ(window->host.clipboard, "cat.jpg");
  table.user_selects({4});
  events.view_ContextMenu();
  EXPECT_EQ(window->host.clipboard, "2\t2\t300 B\tsong.mp3\t\t300\t\t");
  const std::string exported = path_text(tree.root() / "dup.tsv");
  window->host.export_answer = exported;
  events.view_ContextMenu();
  const std::string text = test::read_file(tree.root() / "dup.tsv");
  EXPECT_EQ(text.rfind("\xEF\xBB\xBFGroup\tCopies\tWasted\tName\tFolder\tSize\tDate\tCatalogue\r\n", 0), 0u);
  // Sizes as numbers a spreadsheet reads.
  EXPECT_NE(text.find("\t\t\tbig.iso\tD:\\\t5000\t2020-01-01 00:00:00\ta\r\n"), std::string::npos) << text;
}

TEST_F(ViewsFixture, CompareShowsTheThreeGroupsOfTwoCatalogues) {
  // Right-click on a: "Compare with b".
  window->lstCatalogues.user_selects({0});
  app::on_context_menu(window->window, VeskoControlId::lstCatalogues);
  ASSERT_EQ(window->host.menus.size(), 1u);
  EXPECT_EQ(window->host.menus[0], (std::vector<std::string>{"&Browse\tEnter", "Find &duplicates\tCtrl+D",
                                                             "Compare with b", "Compare with c"}));
  window->host.item_answers = {2};
  window->lstCatalogues.user_selects({0});
  app::on_context_menu(window->window, VeskoControlId::lstCatalogues);
  EXPECT_EQ(view().title, "a compared with b - Vesko");
  EXPECT_EQ(view().table.shown_rows(), 0u);  // nothing while the comparison runs
  ASSERT_TRUE(window->settle());
  const std::string day = "2020-01-01 00:00:00";
  const std::string may = "2021-05-05 00:00:00";
  EXPECT_EQ(std::vector<std::string>(rows()),
            (std::vector<std::string>{"Only in A\ta: 1 entry, 9 B\t\t\t\t",
                                      "-\told.doc\t9\t" + day + "\t\t",
                                      "Only in B\tb: 1 entry, 7 B\t\t\t\t",
                                      "+\tnew.txt\t\t\t7\t" + may,
                                      "Changed\t1 file in both with another size or date\t\t\t\t",
                                      "~\tsong.mp3\t300\t" + day + "\t300\t" + may}));
  EXPECT_EQ(view().status.caption().rfind("A: a, B: b: 1 only in A (9 B), 1 only in B", 0), 0u)
      << view().status.caption();
  // The entry of a row is its side's: B's file opens on B's disk.
  view().table.user_selects({3});
  view().events.view_Copy();
  EXPECT_EQ(window->host.clipboard, "E:\\new.txt");

  // Two selected catalogues: "Compare a with c"; the view shows the comparison's columns.
  select_catalogues({0, 2});
  window->host.item_answers = {2};
  app::on_context_menu(window->window, VeskoControlId::lstCatalogues);
  EXPECT_EQ(window->host.menus.back().at(2), "&Compare a with c");
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(view().title, "a compared with c - Vesko");
  EXPECT_EQ(view().table.columns, 6);
  EXPECT_EQ(view().table.cell(0, 1), "a: 3 entries, 409 B");
}

TEST_F(ViewsFixture, ClosingTheViewDropsWhatItsWorkerFinds) {
  ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
  view().events.view_Closed();
  EXPECT_FALSE(window->window.views().working());
  // A box left as the window closes computes nothing.
  view().options_set.by = 2;
  view().events.view_OptionsChange();
  EXPECT_FALSE(window->window.views().working());
  window->host.run_posted(std::chrono::milliseconds(200));
  EXPECT_EQ(view().table.shown_rows(), 0u);
  // Asked again, it runs afresh.
  ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(view().table.shown_rows(), 11u);
}

// The kind and path of each entry row of a comparison view.
std::vector<std::string> difference_rows(const HeadlessTable& table) {
  std::vector<std::string> rows;
  for (std::size_t row = 0; row < table.shown_rows(); ++row)
    if (table.cell(row, 0).size() == 1) rows.push_back(table.cell(row, 0) + "\t" + table.cell(row, 1));
  return rows;
}

TEST_F(ViewsFixture, OptionsComputeTheViewAgainAsTheSearchApiDoes) {
  // A fourth catalogue with names alike but sizes or dates not.
  tree.text_file("cats/d.lst", catalogue_lines("F:\\", {"song.mp3\t999\t 2020.1.1\t0:0.0", "cat.jpg\t100\t 2022.2.2\t0:0.0"}));
  app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Reload);
  ASSERT_TRUE(window->settle());
  const auto& catalogues = window->window.session().catalogues();
  ASSERT_EQ(catalogues.size(), 4u);
  search::SearchOptions search_options;
  search_options.threads = 1;

  ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
  ASSERT_TRUE(window->settle());
  EXPECT_FALSE(view().options_set.comparison);
  const std::string kb = search::byte_size_text(10000);
  struct DuplicateCase {
    int by;
    const char* keys;
    std::vector<std::string> outline;
  };
  const std::vector<DuplicateCase> duplicate_cases{
      {1, "size,date", {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 3x cat.jpg 100 wastes 200 B a b c"}},
      {2, "name",
       {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 3x song.mp3 999 wastes 600 B a b d",
        "3 4x cat.jpg 100 wastes 300 B a b c d"}},
      {0, "name,size",
       {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 4x cat.jpg 100 wastes 300 B a b c d",
        "3 2x song.mp3 300 wastes 300 B a b"}},
  };
  for (const DuplicateCase& c : duplicate_cases) {
    SCOPED_TRACE(c.keys);
    view().options_set.by = c.by;
    view().events.view_OptionsChange();
    ASSERT_TRUE(window->settle());
    EXPECT_EQ(outline(view().table), c.outline);
    std::string error;
    const search::Duplicates expected = search::find_duplicates(
        catalogues, search::Query{}, *search::parse_duplicate_keys(c.keys, error), search_options);
    EXPECT_EQ(view().table.shown_rows(), expected.groups.size() + expected.files.size());
  }

  // a compared with c, then with b.
  struct CompareCase {
    std::size_t b;
    ViewOptions options;
    std::vector<std::string> rows;
  };
  const std::vector<CompareCase> compare_cases{
      {2, {true, 0, false, false, "", ""}, {"-\told.doc", "-\tsong.mp3", "-\tPhotos\\", "+\tempty.txt", "+\tcat.jpg"}},
      {2, {true, 0, false, true, "", ""},
       {"-\told.doc", "-\tsong.mp3", "-\tPhotos\\", "-\tPhotos\\cat.jpg", "+\tempty.txt", "+\tcat.jpg"}},
      {2, {true, 0, false, false, "Photos", ""}, {"+\tbig.iso", "+\tempty.txt"}},
      {1, {true, 0, false, false, "", ""}, {"-\told.doc", "+\tnew.txt", "~\tsong.mp3"}},
      {1, {true, 0, true, false, "", ""}, {"-\told.doc", "+\tnew.txt"}},
  };
  for (const CompareCase& c : compare_cases) {
    SCOPED_TRACE(c.rows.size());
    if (view().title != "a compared with " + catalogues[c.b]->name() + " - Vesko") {
      window->window.views().show_comparison(0, c.b);
      ASSERT_TRUE(window->settle());
    }
    view().options_set = c.options;
    view().events.view_OptionsChange();
    ASSERT_TRUE(window->settle());
    EXPECT_EQ(difference_rows(view().table), c.rows);
    search::CompareOptions options;
    options.all = c.options.all;
    options.ignore_date = c.options.ignore_date;
    options.search = search_options;
    const search::Comparison expected = search::compare_catalogues(
        {catalogues[0], c.options.folder_a}, {catalogues[c.b], c.options.folder_b}, search::Query{}, options);
    EXPECT_EQ(difference_rows(view().table).size(), expected.differences.size());
  }
  // A folder the catalogue does not hold is named in the status line; another pair starts at the roots.
  view().options_set.folder_a = "Nope";
  view().events.view_OptionsChange();
  ASSERT_TRUE(window->settle());
  EXPECT_NE(view().status.caption().find("Nope"), std::string::npos) << view().status.caption();
  window->window.views().show_comparison(0, 2);
  EXPECT_EQ(view().options_set.folder_a, "");
  EXPECT_TRUE(view().options_set.ignore_date);
}

TEST_F(ViewsFixture, HeaderClicksSortGroupsAmongThemselvesAndMembersWithin) {
  tree.text_file("cats/d.lst", catalogue_lines("F:\\", {"cat.jpg\t100\t 2022.2.2\t0:0.0"}));
  app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Reload);
  ASSERT_TRUE(window->settle());
  ASSERT_TRUE(app::on_key(window->window, VeskoControlId::txtQuery, VeskoKey::Duplicates));
  ASSERT_TRUE(window->settle());
  const std::string kb = search::byte_size_text(10000);
  struct Click {
    int column;
    bool descending;
    std::vector<std::string> outline;
  };
  // Duplicates' columns: Group, Copies, Wasted, Name, Folder, Size, Date, Catalogue.
  const std::vector<Click> clicks{
      {3, false, {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 4x cat.jpg 100 wastes 300 B a b c d",
                  "3 2x song.mp3 300 wastes 300 B a b"}},
      {7, false, {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 4x cat.jpg 100 wastes 300 B a b c d",
                  "3 2x song.mp3 300 wastes 300 B a b"}},
      {7, true, {"2 4x cat.jpg 100 wastes 300 B d c b a", "1 3x big.iso 5,000 wastes " + kb + " c b a",
                 "3 2x song.mp3 300 wastes 300 B b a"}},
      {2, false, {"2 4x cat.jpg 100 wastes 300 B a b c d", "3 2x song.mp3 300 wastes 300 B a b",
                  "1 3x big.iso 5,000 wastes " + kb + " a b c"}},
      {6, false, {"1 3x big.iso 5,000 wastes " + kb + " a b c", "2 4x cat.jpg 100 wastes 300 B a b c d",
                  "3 2x song.mp3 300 wastes 300 B a b"}},
      {6, true, {"2 4x cat.jpg 100 wastes 300 B d a b c", "3 2x song.mp3 300 wastes 300 B b a",
                 "1 3x big.iso 5,000 wastes " + kb + " a b c"}},
      {2, false, {"2 4x cat.jpg 100 wastes 300 B a b c d", "3 2x song.mp3 300 wastes 300 B a b",
                  "1 3x big.iso 5,000 wastes " + kb + " a b c"}},
  };
  for (const Click& click : clicks) {
    SCOPED_TRACE(click.column);
    view().events.view_HeaderClick(click.column);
    EXPECT_EQ(view().status.caption(), jobs::VeskoSession::kSorting);
    ASSERT_TRUE(window->settle());
    EXPECT_EQ(view().table.sort_column, click.column);
    EXPECT_EQ(view().table.sort_descending, click.descending);
    EXPECT_EQ(outline(view().table), click.outline);
    EXPECT_EQ(view().status.caption().rfind("3 groups of duplicates", 0), 0u);
  }
  // The sort holds when the keys change: the rows come computed, then sorted.
  view().options_set.by = 1;
  view().events.view_OptionsChange();
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(outline(view().table), (std::vector<std::string>{"2 3x cat.jpg 100 wastes 200 B a b c",
                                                             "1 3x big.iso 5,000 wastes " + kb + " a b c"}));

  // The comparison's entries sort within their group; a and c with every file listed.
  window->window.views().show_comparison(0, 2);
  view().options_set.all = true;
  view().events.view_OptionsChange();
  ASSERT_TRUE(window->settle());
  view().events.view_HeaderClick(1);  // Path
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(difference_rows(view().table), (std::vector<std::string>{"-\told.doc", "-\tPhotos\\", "-\tPhotos\\cat.jpg",
                                                                     "-\tsong.mp3", "+\tcat.jpg", "+\tempty.txt"}));
  view().events.view_HeaderClick(2);  // Size A
  view().events.view_HeaderClick(2);  // descending
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(difference_rows(view().table), (std::vector<std::string>{"-\tsong.mp3", "-\tPhotos\\", "-\tPhotos\\cat.jpg",
                                                                     "-\told.doc", "+\tempty.txt", "+\tcat.jpg"}));
  EXPECT_EQ(view().table.cell(0, 0), "Only in A");
}

}  // namespace
}  // namespace korvint::hosts::headless
