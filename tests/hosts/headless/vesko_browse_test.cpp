// Vesko's browse window on the headless host: one catalogue read on the
// worker into a folder tree with totals, reached from the catalogues (double
// click, Enter, "Browse") and from a result ("Show in catalogue"), its
// folders and files sorted and acted on.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/vesko_form_events.h"
#include "hosts/headless/headless_browse.h"
#include "search/quantity_text.h"
#include "support/catalogue_text.h"
#include "support/temp_tree.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;
namespace {

using app::VeskoKey;

// Four folders whose order by name and by size differ; Archive holds Deep.
struct BrowseFixture : ::testing::Test {
  BrowseFixture() {
    catalogue = tree.text_file(
        "cats/d.lst", test::catalogue_lines("D:\\", {"readme.txt\t10\t 2020.1.1\t0:0.0",
                                                    "Zoo\\\t0\t 2020.1.1\t0:0.0",
                                                    "movie.mkv\t9000\t 2021.2.3\t10:0.0",
                                                    "Archive\\\t0\t 2020.1.1\t0:0.0",
                                                    "zeta.txt\t1\t 2022.1.1\t0:0.0",
                                                    "alpha.txt\t5\t 2019.1.1\t0:0.0",
                                                    "Archive\\Deep\\\t0\t 2020.1.1\t0:0.0",
                                                    "x.bin\t2\t 2020.1.1\t0:0.0",
                                                    "photos 10\\\t0\t 2020.1.1\t0:0.0",
                                                    "a.jpg\t50\t 2020.1.1\t0:0.0",
                                                    "photos 9\\\t0\t 2020.1.1\t0:0.0",
                                                    "b.jpg\t60\t 2020.1.1\t0:0.0"}));
    window = std::make_unique<HeadlessVeskoWindow>(
        app::VeskoWindowOptions{}, std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")},
        test::path_text(tree.root() / "cats"));
    window->window.Form_Load();
    EXPECT_TRUE(window->settle());
    window->lstCatalogues.user_selects({0});
    named = window->window.session().catalogues().at(0)->path();
  }

  [[nodiscard]] HeadlessBrowseWindow& browse() const { return *window->host.browse; }
  [[nodiscard]] std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (std::size_t row = 0; row < browse().files.shown_rows(); ++row) names.push_back(browse().files.cell(row, 0));
    return names;
  }
  void select(std::string_view folder) {
    browse().tree.user_selects(*browse().tree.child_named(folder));
    browse().events.browse_FolderSelected();
  }
  // Searches `query` and chooses "Show in catalogue" on the first result.
  void show_in_catalogue(const std::string& query) {
    window->type(query);
    ASSERT_TRUE(window->settle());
    window->lstResults.user_selects({0});
    window->host.menu_answers = {ResultMenuItem::ShowInCatalogue};
    app::on_context_menu(window->window, VeskoControlId::lstResults);
    ASSERT_TRUE(window->settle());
  }

  test::TempTree tree;
  std::filesystem::path catalogue;
  std::string named;  ///< the catalogue's path as Vesko names it
  std::unique_ptr<HeadlessVeskoWindow> window;
};

TEST_F(BrowseFixture, EachWayInOpensTheCatalogueAtItsRoot) {
  const std::vector<std::pair<std::string, std::function<void()>>> ways{
      {"double click", [&] { app::on_double_click(window->window, VeskoControlId::lstCatalogues); }},
      {"Enter", [&] { EXPECT_TRUE(app::on_key(window->window, VeskoControlId::lstCatalogues, VeskoKey::Enter)); }},
      {"Browse", [&] {
         window->host.item_answers = {0};
         app::on_context_menu(window->window, VeskoControlId::lstCatalogues);
         EXPECT_EQ(window->host.menus.back().front(), "&Browse\tEnter");
       }},
  };
  for (const auto& [name, way] : ways) {
    SCOPED_TRACE(name);
    way();
    ASSERT_NE(window->host.browse, nullptr);
    EXPECT_TRUE(browse().shown);
    EXPECT_EQ(browse().title, "d - Vesko");
    EXPECT_EQ(browse().status.caption(), jobs::kReadingCatalogue);  // the tree is read on the worker
    ASSERT_TRUE(window->settle());
    EXPECT_TRUE(browse().status.caption().starts_with("d: 5 folders, 7 files, " + search::byte_size_text(9128)))
        << browse().status.caption();
    EXPECT_EQ(browse().tree.node_text(0), "D:\\\t" + search::byte_size_text(9128) + "\t7\t5");
    EXPECT_EQ(browse().tree.selectedFolder(), 0u);
    EXPECT_EQ(files(), std::vector<std::string>{"readme.txt"});
    browse().events.browse_Closed();
  }
}

TEST_F(BrowseFixture, FoldersSortByNameOrTotalsAndFilesByTheirColumns) {
  app::on_double_click(window->window, VeskoControlId::lstCatalogues);
  ASSERT_TRUE(window->settle());
  HeadlessFolderTree& folders = browse().tree;
  struct Step {
    int header;  // -1: as opened
    std::vector<std::string> order;
    bool shown_descending;
  };
  const std::vector<Step> steps{
      {-1, {"Zoo", "photos 9", "photos 10", "Archive"}, true},   // largest first
      {0, {"Archive", "photos 9", "photos 10", "Zoo"}, false},   // names as people count them
      {0, {"Zoo", "photos 10", "photos 9", "Archive"}, true},
      {1, {"Zoo", "photos 9", "photos 10", "Archive"}, true},
      {1, {"Archive", "photos 10", "photos 9", "Zoo"}, false},
      {3, {"Archive", "Zoo", "photos 10", "photos 9"}, true},   // only Archive holds a folder
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.header);
    if (step.header >= 0) browse().events.browse_TreeHeaderClick(step.header);
    EXPECT_EQ(folders.child_names(), step.order);
    EXPECT_EQ(folders.sort_descending, step.shown_descending);
  }
  EXPECT_EQ(folders.node_text(*folders.child_named("Archive")), "Archive\t8 B\t3\t1");
  EXPECT_EQ(folders.child_names(folders.child_named("Archive")), std::vector<std::string>{"Deep"});

  // The files of the folder selected, in catalogue order, then by a column.
  select("Archive");
  EXPECT_EQ(files(), (std::vector<std::string>{"zeta.txt", "alpha.txt"}));
  const std::vector<std::pair<int, std::vector<std::string>>> sorts{
      {0, {"alpha.txt", "zeta.txt"}}, {0, {"zeta.txt", "alpha.txt"}}, {1, {"zeta.txt", "alpha.txt"}},
      {2, {"alpha.txt", "zeta.txt"}}};
  for (const auto& [column, order] : sorts) {
    browse().events.browse_FilesHeaderClick(column);
    EXPECT_EQ(files(), order) << column;
  }
  EXPECT_EQ(browse().files.row_text(0), "alpha.txt\t5\t2019-01-01 00:00:00");
  EXPECT_TRUE(browse().status.caption().ends_with("; Archive: 2 files")) << browse().status.caption();
  // Another folder keeps the files' order.
  select("photos 9");
  EXPECT_EQ(browse().files.row_text(0), "b.jpg\t60\t2020-01-01 00:00:00");

  // The files' actions are the results': Ctrl+C, the right-click menu.
  select("Archive");
  browse().files.user_selects({0, 1});
  browse().events.browse_Copy();
  EXPECT_EQ(window->host.clipboard, "D:\\Archive\\alpha.txt\nD:\\Archive\\zeta.txt");
  window->host.menu_answers = {ResultMenuItem::CopyName};
  browse().events.browse_FilesContextMenu();
  EXPECT_EQ(window->host.clipboard, "alpha.txt\nzeta.txt");
  // The tree's menu copies the folder's path and sorts.
  window->host.item_answers = {1, 2};
  browse().events.browse_TreeContextMenu();
  EXPECT_EQ(window->host.clipboard, "D:\\Archive\\");
  browse().events.browse_TreeContextMenu();
  EXPECT_EQ(folders.child_names().front(), "Archive");
  EXPECT_EQ(folders.selected_path(), "Archive");
}

TEST_F(BrowseFixture, ShowInCatalogueSelectsTheResultsFolderAndFile) {
  struct Case {
    std::string query;
    std::string folder;
    std::vector<std::size_t> selected_files;
  };
  const std::vector<Case> cases{
      {"x.bin", "Archive/Deep", {0}},
      {"alpha", "Archive", {1}},
      {"Deep", "Archive/Deep", {}},  // a folder result: that folder selected
      {"readme", "", {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.query);
    show_in_catalogue(c.query);
    ASSERT_NE(window->host.browse, nullptr);
    EXPECT_EQ(browse().tree.selected_path(), c.folder);
    EXPECT_EQ(browse().files.selectedRows(), c.selected_files);
  }
}

TEST_F(BrowseFixture, AResultOfACatalogueRewrittenSinceShowsItsRootAndSaysWhy) {
  window->type("x.bin");
  ASSERT_TRUE(window->settle());
  // Written anew before the result is shown: its line lies elsewhere now.
  tree.text_file("cats/d.lst", test::catalogue_lines("D:\\", {"new.txt\t1\t 2020.1.1\t0:0.0", "Archive\\\t0\t 2020.1.1\t0:0.0"}));
  window->lstResults.user_selects({0});
  window->host.menu_answers = {ResultMenuItem::ShowInCatalogue};
  app::on_context_menu(window->window, VeskoControlId::lstResults);
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(browse().tree.child_names(), std::vector<std::string>{"Archive"});
  EXPECT_EQ(browse().tree.selected_path(), "");
  const std::string status = browse().status.caption();
  EXPECT_TRUE(status.starts_with("\"" + named + "\" changed since it was searched")) << status;
}

TEST_F(BrowseFixture, ClosingTheWindowWhileItReadsShowsNothingOfThatRead) {
  app::on_double_click(window->window, VeskoControlId::lstCatalogues);
  browse().events.browse_Closed();
  EXPECT_FALSE(window->window.browse().working());
  window->host.run_posted(std::chrono::milliseconds(200));
  EXPECT_EQ(browse().status.caption(), jobs::kReadingCatalogue);
  EXPECT_EQ(browse().tree.child_names(), std::vector<std::string>{});
  // Opened again, it reads again.
  app::on_double_click(window->window, VeskoControlId::lstCatalogues);
  ASSERT_TRUE(window->settle());
  EXPECT_EQ(browse().tree.child_names().size(), 4u);
}

TEST_F(BrowseFixture, ACatalogueGoneBeforeItIsOpenedIsNamedInTheStatus) {
  std::filesystem::remove(catalogue);
  app::on_double_click(window->window, VeskoControlId::lstCatalogues);
  ASSERT_TRUE(window->settle());
  const std::string status = browse().status.caption();
  EXPECT_NE(status.find(named + "\": "), std::string::npos) << status;  // then the reason
  EXPECT_EQ(browse().tree.child_names(), std::vector<std::string>{});
  EXPECT_EQ(browse().files.shown_rows(), 0u);
}

}  // namespace
}  // namespace korvint::hosts::headless
