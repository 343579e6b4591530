// Vesko's browse window under Qt, offscreen: a double click on a catalogue
// opens its folder tree (a QTreeView over the tree's rows) beside the
// selected folder's files; "Show in catalogue" on a result opens it there.

#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QTreeView>

#include "hosts/qt/vesko_qt_browse_window.h"
#include "hosts/qt/vesko_qt_window.h"
#include "hosts/qt/window_answers.h"
#include "support/catalogue_text.h"
#include "support/temp_tree.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

struct QtBrowseTest : ::testing::Test {
  QtBrowseTest() {
    tree.text_file("cats/d.lst", test::catalogue_lines("D:\\", {"readme.txt\t10\t 2020.1.1\t0:0.0",
                                                               "Zoo\\\t0\t 2020.1.1\t0:0.0",
                                                               "movie.mkv\t9000\t 2021.2.3\t10:0.0",
                                                               "Archive\\\t0\t 2020.1.1\t0:0.0",
                                                               "alpha.txt\t5\t 2019.1.1\t0:0.0",
                                                               "Archive\\Deep\\\t0\t 2020.1.1\t0:0.0",
                                                               "x.bin\t2\t 2020.1.1\t0:0.0"}));
    window = std::make_unique<VeskoQtWindow>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                             std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "");
    window->vesko().Form_Load();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(settled());
  }

  bool settled() {
    return test::wait_for([&] { return !window->vesko().session().working() && !window->vesko().browse().working(); });
  }
  VeskoQtBrowseWindow* browse() { return window->findChild<VeskoQtBrowseWindow*>(QStringLiteral("browseWindow")); }
  // The names of the children of `parent` in the tree, in the order shown.
  QStringList children(const QModelIndex& parent) {
    QStringList names;
    QAbstractItemModel& model = *browse()->tree().model();
    for (int row = 0; row < model.rowCount(parent); ++row) names << model.index(row, 0, parent).data().toString();
    return names;
  }
  QStringList files() {
    QStringList names;
    QAbstractItemModel& model = *browse()->files().model();
    for (int row = 0; row < model.rowCount({}); ++row) names << model.index(row, 0).data().toString();
    return names;
  }

  test::TempTree tree;
  std::unique_ptr<VeskoQtWindow> window;
};

TEST_F(QtBrowseTest, ADoubleClickedCatalogueShowsItsFoldersAndAResultShowsInIt) {
  auto& catalogues = static_cast<QTableView&>(window->control(VeskoControlId::lstCatalogues));
  const QPoint at = catalogues.visualRect(catalogues.model()->index(0, 0)).center();
  QTest::mouseClick(catalogues.viewport(), Qt::LeftButton, {}, at);
  QTest::mouseDClick(catalogues.viewport(), Qt::LeftButton, {}, at);
  ASSERT_NE(browse(), nullptr);
  EXPECT_TRUE(browse()->isVisible());
  EXPECT_TRUE(browse()->isWindow());
  ASSERT_TRUE(settled());
  EXPECT_EQ(browse()->windowTitle(), "d - Vesko");
  EXPECT_TRUE(browse()->status().text().startsWith("d: 3 folders, 4 files")) << browse()->status().text().toStdString();
  QAbstractItemModel& model = *browse()->tree().model();
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Size");
  const QModelIndex root = model.index(0, 0, {});
  EXPECT_EQ(root.data().toString(), "D:\\");
  EXPECT_EQ(model.index(0, 2, {}).data().toString(), "4");
  EXPECT_TRUE(browse()->tree().isExpanded(root));
  EXPECT_EQ(children(root), (QStringList{"Zoo", "Archive"}));  // largest first
  EXPECT_EQ(files(), QStringList{"readme.txt"});
  // Enter on the catalogue opens it again.
  browse()->close();
  catalogues.setFocus();
  QTest::keyClick(&catalogues, Qt::Key_Return);
  EXPECT_TRUE(browse()->isVisible());
  ASSERT_TRUE(settled());

  // A click on the Folder header sorts by name; a folder clicked shows its files.
  QHeaderView& header = *browse()->tree().header();
  QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(header.sectionViewportPosition(0) + 5, 5));
  EXPECT_EQ(children(root), (QStringList{"Archive", "Zoo"}));
  EXPECT_EQ(header.sortIndicatorSection(), 0);
  const QModelIndex archive = model.index(0, 0, root);
  browse()->tree().setCurrentIndex(archive);
  EXPECT_EQ(files(), QStringList{"alpha.txt"});
  EXPECT_EQ(browse()->files().model()->index(0, 1).data().toString(), "5");

  // "Show in catalogue" on the result x.bin: Archive\Deep selected, x.bin with it.
  browse()->close();
  auto& query = static_cast<QLineEdit&>(window->control(VeskoControlId::txtQuery));
  QTest::keyClicks(&query, "x.bin");
  ASSERT_TRUE(settled());
  auto& results = static_cast<QTableView&>(window->control(VeskoControlId::lstResults));
  ASSERT_EQ(results.model()->rowCount(), 1);
  test::ShownMenu shown;
  test::answer_next_popup(shown, QStringLiteral("item%1").arg(static_cast<int>(ResultMenuItem::ShowInCatalogue)));
  const QPoint row = results.visualRect(results.model()->index(0, 0)).center();
  QContextMenuEvent click(QContextMenuEvent::Mouse, row, results.viewport()->mapToGlobal(row));
  QApplication::sendEvent(results.viewport(), &click);
  EXPECT_TRUE(shown.items.contains("&Show in catalogue"));
  ASSERT_TRUE(settled());
  EXPECT_TRUE(browse()->isVisible());
  const QModelIndex current = browse()->tree().currentIndex();
  EXPECT_EQ(current.data().toString(), "Deep");
  EXPECT_EQ(current.parent().data().toString(), "Archive");
  EXPECT_EQ(files(), QStringList{"x.bin"});
  EXPECT_EQ(browse()->files().selectionModel()->selectedRows().size(), 1);
}

// What the user left (place, splitter, columns, both sorts) comes back in a window opened with what it remembered.
TEST_F(QtBrowseTest, TheBrowseWindowOpensAsItWasLeft) {
  window->vesko().browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  ASSERT_NE(browse(), nullptr);
  browse()->setGeometry(40, 50, 700, 400);
  browse()->splitter().setSizes({200, 480});
  browse()->files().horizontalHeader()->resizeSection(1, 123);
  window->vesko().browse().browse_TreeHeaderClick(0);  // by name
  window->vesko().browse().browse_FilesHeaderClick(1);
  window->vesko().browse().browse_FilesHeaderClick(1);  // by size, largest first
  QApplication::processEvents();
  const int split = browse()->splitter().sizes().value(0);
  const VeskoWindowMemory memory = window->memory();
  ASSERT_TRUE(memory.browse_rect);
  EXPECT_EQ(memory.browse_rect->width, 700);
  EXPECT_EQ(memory.browse_split, split);
  EXPECT_EQ(memory.browse_file_widths.at(1), 123);
  EXPECT_EQ(memory.folder_sort_column, 0);
  EXPECT_EQ(memory.file_sort_column, 1);
  EXPECT_TRUE(memory.file_sort_descending);

  window.reset();
  window = std::make_unique<VeskoQtWindow>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                           std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "");
  window->restore(memory);
  window->vesko().Form_Load();
  ASSERT_TRUE(settled());
  window->vesko().browse().browse_catalogue(0);
  ASSERT_TRUE(settled());
  ASSERT_TRUE(QTest::qWaitForWindowExposed(browse()));
  EXPECT_EQ(browse()->size(), QSize(700, 400));
  EXPECT_EQ(browse()->splitter().sizes().value(0), split);
  EXPECT_EQ(browse()->files().horizontalHeader()->sectionSize(1), 123);
  const QModelIndex root = browse()->tree().model()->index(0, 0, {});
  EXPECT_EQ(children(root), (QStringList{"Archive", "Zoo"}));
  EXPECT_EQ(browse()->tree().header()->sortIndicatorSection(), 0);
  EXPECT_EQ(browse()->files().horizontalHeader()->sortIndicatorSection(), 1);
  EXPECT_EQ(browse()->files().horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

  // A narrow tree: its totals give way to keep two fifths of it for the names; the widths remembered stay.
  const std::vector<int> chosen = window->memory().browse_folder_widths;
  browse()->splitter().setSizes({150, 530});
  QApplication::processEvents();
  EXPECT_GE(browse()->tree().header()->sectionSize(0) + 3, browse()->tree().viewport()->width() * 2 / 5);
  EXPECT_EQ(window->memory().browse_folder_widths, chosen);
}

}  // namespace
}  // namespace korvint::hosts::qt
