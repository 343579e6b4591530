// Vesko's Qt window, offscreen: typed queries, the virtual results model,
// header clicks and the keys.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QScreen>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QFontMetrics>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>
#include <vector>

#include "app/query_help.h"
#include "hosts/qt/vesko_qt_window.h"
#include "hosts/qt/window_answers.h"
#include "support/temp_tree.h"
#include "ui/column_fit.h"
#include "ui/vesko_layout.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

using test::wait_for;

struct QtVeskoTest : ::testing::Test {
  QtVeskoTest() {
    std::string text = "/media/disk/\r\n";
    for (int i = 0; i < 3000; ++i) text += "photo" + std::to_string(i) + ".jpg\t" + std::to_string(i) + "\t 2020.1.2\t3:4.5\r\n";
    text += "notes.txt\t7\t 2021.1.1\t0:0.0\r\n";
    tree.text_file("cats/disk.lst", text);
    window = std::make_unique<VeskoQtWindow>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                             std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "");
    window->vesko().Form_Load();
    QApplication::setActiveWindow(window.get());
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(wait_for([&] { return !window->vesko().session().working(); }));
  }

  QLineEdit& query() { return static_cast<QLineEdit&>(window->control(VeskoControlId::txtQuery)); }
  QTableView& results() { return static_cast<QTableView&>(window->control(VeskoControlId::lstResults)); }
  QString status() { return static_cast<QLabel&>(window->control(VeskoControlId::lblStatus)).text(); }
  QString cell(int row, int column) { return results().model()->index(row, column).data().toString(); }
  bool settled() { return wait_for([&] { return !window->vesko().session().working(); }); }

  test::TempTree tree;
  std::unique_ptr<VeskoQtWindow> window;
};

TEST_F(QtVeskoTest, TypingSearchesAndTheModelHandsOutRowsByIndex) {
  EXPECT_EQ(window->windowTitle(), "Vesko");
  EXPECT_EQ(query().toolTip().toStdString(), app::kQueryTooltip);
  auto& catalogues = static_cast<QTableView&>(window->control(VeskoControlId::lstCatalogues));
  ASSERT_EQ(catalogues.model()->rowCount(), 1);
  EXPECT_EQ(catalogues.model()->index(0, 2).data().toString(), "3,001");

  query().setFocus();
  QTest::keyClicks(&query(), "photo1");
  ASSERT_TRUE(settled());
  EXPECT_EQ(results().model()->rowCount(), 1111);  // photo1, photo10.., photo100.., photo1000..
  EXPECT_TRUE(status().startsWith("1,111 found in 1 catalogue (3,001 entries) in ")) << status().toStdString();
  EXPECT_EQ(cell(0, 0), "photo1.jpg");
  EXPECT_EQ(cell(0, 1), "/media/disk/");
  EXPECT_EQ(cell(2999 - 1888, 0), "");  // past the end: nothing
  EXPECT_EQ(results().model()->headerData(2, Qt::Horizontal).toString(), "Size");

  // Size, largest first on the second click.
  QHeaderView& header = *results().horizontalHeader();
  for (int click = 0; click < 2; ++click) {
    QTest::mouseClick(header.viewport(), Qt::LeftButton, {}, QPoint(header.sectionViewportPosition(2) + 5, 5));
    ASSERT_TRUE(settled());
  }
  EXPECT_EQ(cell(0, 0), "photo1999.jpg");
  EXPECT_EQ(header.sortIndicatorSection(), 2);
  EXPECT_EQ(header.sortIndicatorOrder(), Qt::DescendingOrder);
}

TEST_F(QtVeskoTest, DelayedWorkRunsInTheWindowAfterItsDelayUnlessDropped) {
  using std::chrono::milliseconds;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::pair<int, milliseconds>> ran;
  const auto note = [&](int which) {
    ran.emplace_back(which, std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start));
  };
  window->host().postAfter(milliseconds(80), [&] { note(2); });
  window->host().postAfter(milliseconds(30), [&] { note(1); });
  ASSERT_TRUE(wait_for([&] { return ran.size() == 2; }));
  EXPECT_EQ(ran[0].first, 1);
  EXPECT_EQ(ran[1].first, 2);
  EXPECT_GE(ran[0].second, milliseconds(30));
  EXPECT_GE(ran[1].second, milliseconds(80));
  window->host().postAfter(milliseconds(10), [&] { note(3); });
  window->host().dropPosted();
  QTest::qWait(100);
  EXPECT_EQ(ran.size(), 2u);
}

TEST_F(QtVeskoTest, KeysMoveBetweenQueryAndResultsAndEscClears) {
  query().setFocus();
  QTest::keyClicks(&query(), "notes");
  ASSERT_TRUE(settled());
  ASSERT_EQ(results().model()->rowCount(), 1);
  QTest::keyClick(&query(), Qt::Key_Down);
  EXPECT_TRUE(results().hasFocus());
  EXPECT_EQ(results().currentIndex().row(), 0);
  EXPECT_TRUE(results().selectionModel()->isRowSelected(0, {}));  // highlighted, not only focused
  QTest::keyClick(&results(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_TRUE(query().hasFocus());
  QTest::keyClick(&query(), Qt::Key_Escape);
  EXPECT_EQ(query().text(), "");
  ASSERT_TRUE(settled());
  EXPECT_EQ(results().model()->rowCount(), 0);
  EXPECT_TRUE(status().startsWith("1 catalogue (3,001 entries)")) << status().toStdString();
}

// The window opens centred on its screen, as large as drawn where the screen
// allows; a wide window gives its spare width to the folders, shortened in
// the middle, and a narrow one keeps them at their least (a scroll bar
// then); the splitter moves the border between the tables; the window keeps
// a minimum at which the results show five rows; F1 shows the query language
// in a fixed-width font.
TEST_F(QtVeskoTest, TheLayoutFollowsTheWindowAndF1ShowsTheQueryLanguage) {
  const QRect area = window->screen()->availableGeometry();
  const int dpi = window->logicalDpiX();
  const int margin = twips_to_pixels(kFirstPlaceMarginTwips, dpi);
  EXPECT_EQ(window->width(), std::min(twips_to_pixels(kVeskoFirstWidthTwips, dpi), area.width() - 2 * margin));
  EXPECT_EQ(window->height(), std::min(twips_to_pixels(kVeskoFirstHeightTwips, dpi), area.height() - 2 * margin));
  EXPECT_LE((window->geometry().center() - area.center()).manhattanLength(), 2);

  const int drawn = results().columnWidth(1);
  window->resize(1600, 900);
  QApplication::processEvents();
  EXPECT_GT(results().columnWidth(1), drawn + 500);
  EXPECT_EQ(results().textElideMode(), Qt::ElideMiddle);

  auto* splitter = window->findChild<QSplitter*>(QStringLiteral("splitter"));
  ASSERT_NE(splitter, nullptr);
  auto& catalogues = window->control(VeskoControlId::lstCatalogues);
  const int before = catalogues.height();
  splitter->setSizes({before + 200, results().height() - 200});
  EXPECT_EQ(catalogues.height(), before + 200);

  window->resize(100, 100);
  QApplication::processEvents();
  EXPECT_GE(window->width(), window->minimumWidth());
  EXPECT_GE(results().viewport()->height(), 5 * results().verticalHeader()->defaultSectionSize());
  EXPECT_GE(query().width(), 200);
  EXPECT_EQ(results().columnWidth(1), spare_least_width(result_columns()[1], results().logicalDpiX()));
  EXPECT_GT(results().horizontalScrollBar()->maximum(), 0);
  window->resize(1600, 900);
  QApplication::processEvents();
  EXPECT_GT(results().columnWidth(1), drawn + 500);

  QFont shown_font;
  QString shown_title;
  QTimer::singleShot(0, [&] {
    if (auto* text = QApplication::activeModalWidget()) {
      shown_title = text->windowTitle();
      if (auto* view = text->findChild<QPlainTextEdit*>()) shown_font = view->font();
      text->close();
    }
  });
  QTest::keyClick(&query(), Qt::Key_F1);
  EXPECT_EQ(shown_title.toStdString(), app::kQueryHelpTitle);
  EXPECT_TRUE(QFontInfo(shown_font).fixedPitch());
  // "?" at the query box's end shows the same.
  auto& help = static_cast<QPushButton&>(window->control(VeskoControlId::cmdHelp));
  EXPECT_EQ(help.text(), "?");
  EXPECT_LE(query().geometry().right(), help.geometry().left());
  shown_title.clear();
  QTimer::singleShot(0, [&] {
    if (auto* text = QApplication::activeModalWidget()) {
      shown_title = text->windowTitle();
      text->close();
    }
  });
  QTest::mouseClick(&help, Qt::LeftButton);
  EXPECT_EQ(shown_title.toStdString(), app::kQueryHelpTitle);
}

// Names of files and catalogues are as wide as those on screen (up to a
// cap), the folders take what is left, an age is never cut; a column the user
// drags keeps the user's width through later searches and is the only one
// remembered.
TEST(QtVeskoColumns, NamesFitTheRowsShownUntilTheUserSizesThem) {
  test::TempTree tree;
  std::string text = "/media/disk/\r\n";
  for (int i = 0; i < 40; ++i)
    text += "a_rather_long_descriptive_name_of_photo_" + std::to_string(i) + ".jpg\t1\t 2020.1.2\t3:4.5\r\n";
  text += "short.txt\t7\t 2021.1.1\t0:0.0\r\n";
  tree.text_file("cats/Backup disk 2019-07 (photos).lst", text);
  VeskoQtWindow window(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                       std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "");
  window.vesko().Form_Load();
  window.resize(1400, 800);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  const auto settled = [&] { return wait_for([&] { return !window.vesko().session().working(); }); };
  ASSERT_TRUE(settled());
  auto& results = static_cast<QTableView&>(window.control(VeskoControlId::lstResults));
  auto& catalogues = static_cast<QTableView&>(window.control(VeskoControlId::lstCatalogues));
  auto& query = static_cast<QLineEdit&>(window.control(VeskoControlId::txtQuery));
  const QFontMetrics metrics(results.font());
  const int dpi = results.logicalDpiX();
  const int drawn = twips_to_pixels(result_columns()[0].width, dpi);
  EXPECT_GE(catalogues.columnWidth(6), metrics.horizontalAdvance(QStringLiteral("under a minute")));

  query.setFocus();
  QTest::keyClicks(&query, "photo");
  ASSERT_TRUE(settled());
  const int fitted = results.columnWidth(0);
  EXPECT_GT(fitted, metrics.horizontalAdvance(QStringLiteral("a_rather_long_descriptive_name_of_photo_10.jpg")));
  EXPECT_LE(fitted, twips_to_pixels(result_columns()[0].fit_most, dpi));
  EXPECT_GE(results.columnWidth(1), twips_to_pixels(result_columns()[1].width, dpi) - 1);
  const int catalogue = metrics.horizontalAdvance(QStringLiteral("Backup disk 2019-07 (photos)"));
  EXPECT_GT(results.columnWidth(4), catalogue);
  EXPECT_GT(catalogues.columnWidth(0), catalogue);
  // Short names give the width back to the folders, down to the drawn width.
  query.clear();
  QTest::keyClicks(&query, "short");
  ASSERT_TRUE(settled());
  EXPECT_EQ(results.columnWidth(0), drawn);

  // The user drags the name's edge: that width stays through the next search.
  QHeaderView& header = *results.horizontalHeader();
  const QPoint edge(header.sectionViewportPosition(0) + header.sectionSize(0) - 1, header.height() / 2);
  const auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent event(type, at, header.viewport()->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(header.viewport(), &event);
  };
  mouse(QEvent::MouseButtonPress, edge, Qt::LeftButton);
  mouse(QEvent::MouseMove, edge + QPoint(40, 0), Qt::LeftButton);
  mouse(QEvent::MouseButtonRelease, edge + QPoint(40, 0), Qt::NoButton);
  ASSERT_EQ(results.columnWidth(0), drawn + 40);
  query.clear();
  QTest::keyClicks(&query, "photo");
  ASSERT_TRUE(settled());
  EXPECT_EQ(results.columnWidth(0), drawn + 40);
  const VeskoWindowMemory memory = window.memory();
  EXPECT_EQ(memory.result_widths, (std::vector<int>{drawn + 40, 0, 0, 0, 0}));
  EXPECT_EQ(memory.catalogue_widths, std::vector<int>(catalogue_columns().size(), 0));
}

// The menu key and Shift+F10 open the menu of the table that has the focus,
// under its current row.
TEST_F(QtVeskoTest, TheMenuKeyOpensTheMenuOfEitherTable) {
  auto& catalogues = static_cast<QTableView&>(window->control(VeskoControlId::lstCatalogues));
  catalogues.setFocus();
  catalogues.setCurrentIndex(catalogues.model()->index(0, 0));
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_Menu, Qt::KeyboardModifiers{}},
                                       std::pair{Qt::Key_F10, Qt::KeyboardModifiers{Qt::ShiftModifier}}}) {
    test::ShownMenu shown;
    test::answer_next_popup(shown, QStringLiteral("none"));  // closed without a choice
    QTest::keyClick(&catalogues, key, modifiers);
    EXPECT_TRUE(shown.shown);
    EXPECT_EQ(shown.items.value(0), "&Browse\tEnter");
  }
  query().setFocus();
  QTest::keyClicks(&query(), "photo2");
  ASSERT_TRUE(settled());
  QTest::keyClick(&query(), Qt::Key_Down);
  test::ShownMenu shown;
  test::answer_next_popup(shown, QStringLiteral("none"));  // closed without a choice
  QTest::keyClick(&results(), Qt::Key_F10, Qt::ShiftModifier);
  EXPECT_TRUE(shown.shown);
  EXPECT_TRUE(shown.items.value(0).startsWith("Copy full &path"));
}

// Rows chosen with Shift or Ctrl are copied together; the window comes back
// as it was left, never off the screen.
TEST_F(QtVeskoTest, ManyRowsAreCopiedAndTheWindowIsRemembered) {
  query().setFocus();
  QTest::keyClicks(&query(), "photo2");
  ASSERT_TRUE(settled());
  // Down into the results, Shift+Down twice: three rows.
  QTest::keyClick(&query(), Qt::Key_Down);
  QTest::keyClick(&results(), Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(&results(), Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(results().selectionModel()->selectedRows().size(), 3);
  QTest::keyClick(&results(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
            "/media/disk/photo2.jpg\n/media/disk/photo20.jpg\n/media/disk/photo21.jpg");

  VeskoWindowMemory memory;
  memory.dpi = window->logicalDpiX();
  memory.rect = PixelRect{-3000, 50, 700, 500};  // where a monitor that is gone was
  memory.split = 150;
  memory.result_widths = {111, 0, 77, 150, 90};
  memory.sort_column = 2;
  memory.sort_descending = true;
  memory.catalogue_sort_column = 1;
  memory.catalogue_sort_descending = true;
  memory.view_rect = PixelRect{50, -4000, 640, 380};  // the view window, above any screen
  window->restore(memory);
  const QRect area = window->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(window->geometry())) << window->geometry().x();
  auto& catalogues = static_cast<QTableView&>(window->control(VeskoControlId::lstCatalogues));
  EXPECT_EQ(catalogues.horizontalHeader()->sortIndicatorSection(), 1);
  EXPECT_EQ(window->vesko().session().catalogue_sort(), (std::pair{1, true}));
  // The view window opens where it was left, on the screen.
  window->vesko().views().show_duplicates();
  ASSERT_TRUE(wait_for([&] { return !window->vesko().views().working(); }));
  auto* view = window->findChild<QWidget*>(QStringLiteral("viewWindow"));
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(area.contains(view->geometry())) << view->geometry().y();
  EXPECT_EQ(view->width(), 640);
  EXPECT_EQ(results().columnWidth(0), 111);
  EXPECT_EQ(window->control(VeskoControlId::lstCatalogues).height(), 150);
  EXPECT_EQ(results().horizontalHeader()->sortIndicatorSection(), 2);
  const VeskoWindowMemory kept = window->memory();
  EXPECT_EQ(kept.split, 150);
  EXPECT_EQ(kept.result_widths.front(), 111);
  EXPECT_EQ(kept.sort_column, 2);
  EXPECT_TRUE(kept.sort_descending);
  EXPECT_EQ(kept.catalogue_sort_column, 1);
  EXPECT_TRUE(kept.catalogue_sort_descending);
  ASSERT_TRUE(kept.view_rect);
  EXPECT_EQ(kept.view_rect->width, 640);
  EXPECT_GE(kept.view_rect->top, area.top());
}

TEST_F(QtVeskoTest, AChangedFolderIsReadAgainAndF5ReadsEverything) {
  query().setFocus();
  QTest::keyClicks(&query(), "notes");
  ASSERT_TRUE(settled());
  ASSERT_EQ(results().model()->rowCount(), 1);
  // Another catalogue lands in the folder: the watch reads the folder again.
  tree.text_file("cats/usb.lst", "/media/usb/\r\nnotes.txt\t9\t 2022.2.2\t0:0.0\r\n");
  ASSERT_TRUE(wait_for([&] { return results().model()->rowCount() == 2 && !window->vesko().session().working(); }));
  EXPECT_TRUE(status().contains("Reloaded: usb.lst (new)")) << status().toStdString();
  EXPECT_EQ(query().text(), "notes");
  // Written in place: the file's own watch.
  tree.text_file("cats/usb.lst", "/media/usb/\r\nnotes.txt\t9\t 2022.2.2\t0:0.0\r\nnotes.md\t1\t 2022.2.2\t0:0.0\r\n");
  ASSERT_TRUE(wait_for([&] { return results().model()->rowCount() == 3 && !window->vesko().session().working(); }));
  QTest::keyClick(&results(), Qt::Key_F5);
  ASSERT_TRUE(wait_for([&] { return status().contains("Reloaded all 2 catalogues"); })) << status().toStdString();
  ASSERT_TRUE(settled());
  EXPECT_EQ(results().model()->rowCount(), 3);
}

}  // namespace
}  // namespace korvint::hosts::qt
