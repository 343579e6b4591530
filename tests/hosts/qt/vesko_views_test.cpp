// Vesko's view window under Qt, offscreen: the duplicates (Ctrl+D) and two
// catalogues compared (the catalogues' right-click menu) in a window of
// their own, its table over the view's rows.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

#include "hosts/qt/vesko_qt_view_window.h"
#include "hosts/qt/vesko_qt_window.h"
#include "hosts/qt/window_answers.h"
#include "support/temp_tree.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

using test::wait_for;

struct QtViewsTest : ::testing::Test {
  QtViewsTest() {
    tree.text_file("cats/a.lst", "D:\\\r\nbig.iso\t5000\t 2020.1.1\t0:0.0\r\nold.doc\t9\t 2020.1.1\t0:0.0\r\n");
    tree.text_file("cats/b.lst", "E:\\\r\nbig.iso\t5000\t 2021.1.1\t0:0.0\r\nnew.txt\t7\t 2020.1.1\t0:0.0\r\n");
    window = std::make_unique<VeskoQtWindow>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                             std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "");
    window->vesko().Form_Load();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(settled());
  }

  bool settled() {
    return wait_for([&] { return !window->vesko().session().working() && !window->vesko().views().working(); });
  }
  VeskoQtViewWindow* view() { return window->findChild<VeskoQtViewWindow*>(QStringLiteral("viewWindow")); }
  QString cell(int row, int column) { return view()->view().model()->index(row, column).data().toString(); }

  test::TempTree tree;
  std::unique_ptr<VeskoQtWindow> window;
};

TEST_F(QtViewsTest, DuplicatesAndACompareShowInTheViewWindow) {
  auto& query = static_cast<QLineEdit&>(window->control(VeskoControlId::txtQuery));
  query.setFocus();
  QTest::keyClick(&query, Qt::Key_D, Qt::ControlModifier);
  ASSERT_NE(view(), nullptr);
  EXPECT_TRUE(view()->isVisible());
  EXPECT_TRUE(view()->isWindow());
  ASSERT_TRUE(settled());
  EXPECT_EQ(view()->windowTitle().toStdString(), kDuplicatesTitle);
  QAbstractItemModel& model = *view()->view().model();
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Group");
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(cell(0, 1), "2");
  EXPECT_EQ(cell(0, 3), "big.iso");
  EXPECT_EQ(cell(2, 7), "b");
  EXPECT_TRUE(view()->status().text().startsWith("1 group of duplicates, 2 files")) << view()->status().text().toStdString();
  // The rows' Ctrl+C: the selected files' full paths.
  view()->view().selectRow(1);
  view()->view().setFocus();
  QTest::keyClick(&view()->view(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "D:\\big.iso");

  // Right-click on catalogue a: "Compare with b".
  auto& catalogues = static_cast<QTableView&>(window->control(VeskoControlId::lstCatalogues));
  test::ShownMenu shown;
  test::answer_next_popup(shown, QStringLiteral("item2"));
  const QPoint at = catalogues.visualRect(catalogues.model()->index(0, 0)).center();
  QContextMenuEvent click(QContextMenuEvent::Mouse, at, catalogues.viewport()->mapToGlobal(at));
  QApplication::sendEvent(catalogues.viewport(), &click);
  EXPECT_EQ(shown.items, (QStringList{"&Browse\tEnter", "Find &duplicates\tCtrl+D", "Compare with b"}));
  ASSERT_TRUE(settled());
  EXPECT_EQ(view()->windowTitle().toStdString(), "a compared with b - Vesko");
  QAbstractItemModel& compared = *view()->view().model();
  EXPECT_EQ(compared.columnCount(), 6);
  EXPECT_EQ(compared.headerData(2, Qt::Horizontal).toString(), "Size A");
  ASSERT_EQ(compared.rowCount(), 6);
  EXPECT_EQ(cell(1, 1), "old.doc");
  EXPECT_EQ(cell(3, 1), "new.txt");
  EXPECT_EQ(cell(5, 0), "~");
  EXPECT_EQ(cell(5, 5), "2021-01-01 00:00:00");

  view()->close();
  EXPECT_FALSE(view()->isVisible());
}

TEST_F(QtViewsTest, OptionsAndHeaderClicksComputeAndSortTheViewAgain) {
  auto& query = static_cast<QLineEdit&>(window->control(VeskoControlId::txtQuery));
  query.setFocus();
  QTest::keyClick(&query, Qt::Key_D, Qt::ControlModifier);
  ASSERT_TRUE(settled());
  EXPECT_TRUE(view()->by().isVisible());
  EXPECT_FALSE(view()->folderA().isVisible());
  // The Catalogue header twice: the group's files b, then a; the arrow down.
  QHeaderView& header = *view()->view().horizontalHeader();
  for (int click = 0; click < 2; ++click) {
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(header.sectionViewportPosition(7) + 5, 5));
    ASSERT_TRUE(settled());
  }
  EXPECT_EQ(header.sortIndicatorSection(), 7);
  EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
  EXPECT_EQ(cell(1, 7), "b");
  EXPECT_EQ(cell(2, 7), "a");
  // "Size and date": big.iso's copies differ in date.
  view()->by().setFocus();
  QTest::keyClick(&view()->by(), Qt::Key_Down);
  ASSERT_TRUE(settled());
  EXPECT_EQ(view()->view().model()->rowCount(), 0);
  EXPECT_TRUE(view()->status().text().startsWith("No duplicates")) << view()->status().text().toStdString();

  window->vesko().views().show_comparison(0, 1);
  ASSERT_TRUE(settled());
  EXPECT_FALSE(view()->by().isVisible());
  EXPECT_TRUE(view()->folderA().isVisible());
  ASSERT_EQ(view()->view().model()->rowCount(), 6);
  QTest::mouseClick(&view()->ignoreDate(), Qt::LeftButton);
  ASSERT_TRUE(settled());
  EXPECT_EQ(view()->view().model()->rowCount(), 5);  // nothing changed but the date
  // A folder typed and confirmed with Enter.
  view()->folderB().setFocus();
  QTest::keyClicks(&view()->folderB(), "Nope");
  QTest::keyClick(&view()->folderB(), Qt::Key_Return);
  ASSERT_TRUE(settled());
  EXPECT_TRUE(view()->status().text().contains("Nope")) << view()->status().text().toStdString();
  // In a narrow window the folders take a line of their own, and keep a useful width there.
  for (const int wide : {1200, 560}) {
    view()->resize(wide, 400);
    QApplication::processEvents();
    const QRect a(view()->folderB().mapTo(view(), QPoint(0, 0)), view()->folderB().size());
    EXPECT_LE(a.right(), view()->view().geometry().right()) << wide;
    EXPECT_GE(a.width(), 100) << wide;
    EXPECT_EQ(view()->folderA().mapTo(view(), QPoint(0, 0)).y() > view()->ignoreDate().mapTo(view(), QPoint(0, 0)).y(),
              wide == 560)
        << wide;
  }
}

}  // namespace
}  // namespace korvint::hosts::qt
