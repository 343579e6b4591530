// The window's events reach their handlers: keys typed and released, the
// scan list's clicks and menu, the window's own menu, the help box, the
// folder dialog, closing.

#include <gtest/gtest.h>

#include <QCompleter>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "app/start_up.h"
#include "app/help_and_shortcuts.h"
#include "support/control_contract.h"
#include "support/temp_tree.h"
#include "hosts/qt/qt_form.h"
#include "ui/form_layout.h"
#include "hosts/qt/window_answers.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

using test::ShownMenu;

// A loaded, shown window whose program folder is a fresh temporary folder.
class QtWindowEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    FormServices services;
    services.program_folder = test::path_text(tree.root());
    window = std::make_unique<QtForm>(std::move(services), std::vector<std::string>{"/"}, 96);
    app::Form_Load(window->form, {});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->window, 60000));
  }

  template <class Widget>
  Widget& widget(ControlId id) {
    return window->window.control_as<Widget>(id);
  }
  QListWidget& list() { return widget<QListWidget>(ControlId::List1); }
  QPoint entry_point(int row) { return list().visualItemRect(list().item(row)).center(); }
  // A point of the window's bare surface, below the output name, at the window's scale.
  QPoint bare_point() {
    const double scale = window->window.layout_scale();
    return QPoint(scaled_pixels(2250, 96, scale), scaled_pixels(3000, 96, scale));
  }

  test::TempTree tree;
  std::unique_ptr<QtForm> window;
};

TEST_F(QtWindowEvents, EnterInThePathBoxProposesANameAndOtherKeysType) {
  window->Text1.setText("/data/photos/");
  window->Text4.setText("");
  QTest::keyClick(&widget<QLineEdit>(ControlId::Text1), Qt::Key_Return);
  EXPECT_EQ(window->Text4.text(), "photos.lst");
  EXPECT_EQ(window->Text1.text(), "/data/photos/");

  // A name already there stays; ordinary keys are typed as usual.
  window->Text1.setText("/data/other/");
  QTest::keyClick(&widget<QLineEdit>(ControlId::Text1), Qt::Key_Enter);
  EXPECT_EQ(window->Text4.text(), "photos.lst");
  QTest::keyClicks(&widget<QLineEdit>(ControlId::Text1), "x");
  EXPECT_EQ(window->Text1.text(), "/data/other/x");
}

TEST_F(QtWindowEvents, EnterInTheNameBoxRunsTheScan) {
  tree.file("root/a.txt", 3, test::utc_seconds(2020, 1, 2, 3, 4, 5));
  window->Text1.setText(test::path_text(tree.root() / "root") + "/");
  window->Text5.setText(test::path_text(tree.root()) + "/");
  window->Text4.setText("by-enter");
  QTest::keyClick(&widget<QLineEdit>(ControlId::Text4), Qt::Key_Return);
  EXPECT_TRUE(std::filesystem::exists(tree.root() / "by-enter.lst"));
  EXPECT_EQ(window->Caption.caption(), "Finished!");
}

TEST_F(QtWindowEvents, ProgramTextKeepsItsBytesEditedTextReadsAsUtf8) {
  const std::string latin1 = "/data/caf\xe9/";  // not UTF-8
  window->Text1.setText(latin1);
  EXPECT_EQ(window->Text1.text(), latin1);
  widget<QLineEdit>(ControlId::Text1).setText(QStringLiteral("/data/café/"));
  EXPECT_EQ(window->Text1.text(), "/data/caf\xc3\xa9/");
}

TEST_F(QtWindowEvents, EachMoveOfTheListSelectionClicksOnce) {
  for (const char* entry : {"/a/", "/b/", "/c/"}) window->List1.AddItem(entry);
  int clicks = 0;
  auto routed = window->List1.on_click;
  window->List1.on_click = [&] {
    ++clicks;
    routed();
  };

  window->List1.setListIndex(1);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(window->Text1.text(), "/b/");
  EXPECT_EQ(window->Text4.text(), "b.lst");
  window->List1.setListIndex(1);
  EXPECT_EQ(clicks, 1);

  QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, entry_point(2));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(window->List1.ListIndex(), 2);
  EXPECT_EQ(window->Text1.text(), "/c/");
  QTest::keyClick(&list(), Qt::Key_Up);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(window->Text1.text(), "/b/");

  // Removing entries leaves no selection and chooses nothing.
  window->List1.RemoveItem(1);
  EXPECT_EQ(window->List1.ListIndex(), -1);
  EXPECT_EQ(window->List1.ListCount(), 2);
  window->List1.setListIndex(0);
  window->List1.setListIndex(-1);
  EXPECT_EQ(window->List1.ListIndex(), -1);
  window->List1.Clear();
  EXPECT_EQ(clicks, 4);
  EXPECT_EQ(window->List1.ListCount(), 0);
}

TEST_F(QtWindowEvents, PressesOnTheListSelectAndLoadAsTheWindowsListDoes) {
  for (const char* entry : {"/a/", "/b/", "/c/"}) window->List1.AddItem(entry);
  const QRect last = list().visualItemRect(list().item(2));
  const QPoint below(last.center().x(), last.bottom() + 6);
  const struct {
    const char* what;
    Qt::MouseButton button;
    QPoint at;
    bool loads;  ///< the selected entry "/b/" is loaded again over the edits
  } cases[] = {
      {"left on the selected entry", Qt::LeftButton, entry_point(1), true},
      {"right on the selected entry", Qt::RightButton, entry_point(1), true},
      {"left below the entries", Qt::LeftButton, below, false},
      {"right below the entries", Qt::RightButton, below, false},
      {"middle on another entry", Qt::MiddleButton, entry_point(0), false},
  };
  window->List1.setListIndex(1);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    window->Text1.setText("/edited/");
    window->Text4.setText("edited.lst");
    ShownMenu shown;
    if (c.button == Qt::RightButton) test::answer_next_popup(shown, "");
    QTest::mouseClick(list().viewport(), c.button, {}, c.at);
    EXPECT_EQ(window->List1.ListIndex(), 1);
    EXPECT_EQ(window->Text1.text(), c.loads ? "/b/" : "/edited/");
    EXPECT_EQ(window->Text4.text(), c.loads ? "b.lst" : "edited.lst");
    EXPECT_EQ(shown.shown, c.button == Qt::RightButton);
  }
}

TEST_F(QtWindowEvents, TheControlsKeepTheModelsContracts) {
  QWidget* entries = list().viewport();
  test::expect_list_box_contract(
      window->List1,
      {.clicks = [&](int row) { QTest::mouseClick(entries, Qt::LeftButton, {}, entry_point(row)); },
       .double_clicks =
           [&](int row) {
             QTest::mouseClick(entries, Qt::LeftButton, {}, entry_point(row));
             QTest::mouseDClick(entries, Qt::LeftButton, {}, entry_point(row));
             QTest::mouseRelease(entries, Qt::LeftButton, {}, entry_point(row));
           },
       .clicks_below_entries =
           [&] {
             const QRect last = list().visualItemRect(list().item(list().count() - 1));
             QTest::mouseClick(entries, Qt::LeftButton, {}, QPoint(last.center().x(), last.bottom() + 6));
           },
       .presses_up = [&] { QTest::keyClick(&list(), Qt::Key_Up); }});
  test::expect_button_contract(window->mStop);
  test::expect_text_contract(window->Text1, window->Label2);
}

TEST_F(QtWindowEvents, RightButtonOnTheListChoosesTheEntryThenItsMenuActsOnIt) {
  for (const char* entry : {"/a/", "/b/", "/c/"}) window->List1.AddItem(entry);
  window->List1.setListIndex(0);

  ShownMenu shown;
  test::answer_next_popup(shown, "mnuDelete");
  QTest::mousePress(list().viewport(), Qt::RightButton, {}, entry_point(1));
  QTest::mouseRelease(list().viewport(), Qt::RightButton, {}, entry_point(1));
  ASSERT_TRUE(shown.shown);
  EXPECT_EQ(shown.name, "mnuPopUp");
  EXPECT_EQ(shown.items, QStringList({"&Delete", "Delete &all"}));
  EXPECT_EQ(window->Text1.text(), "/b/");  // chosen before the menu opened
  ASSERT_EQ(window->List1.ListCount(), 2);
  EXPECT_EQ(window->List1.List(0), "/a/");
  EXPECT_EQ(window->List1.List(1), "/c/");

  ShownMenu second;
  test::answer_next_popup(second, "mnuDeleteAll");
  QTest::mousePress(list().viewport(), Qt::RightButton, {}, entry_point(0));
  EXPECT_TRUE(second.shown);
  EXPECT_EQ(window->List1.ListCount(), 0);
}

TEST_F(QtWindowEvents, RightButtonOnTheBareWindowOpensItsMenuButNotOnAControl) {
  ShownMenu shown;
  test::answer_next_popup(shown, "");  // closed unanswered: the desktop is left alone
  QTest::mouseClick(&window->window, Qt::RightButton, {}, bare_point());
  ASSERT_TRUE(shown.shown);
  EXPECT_EQ(shown.name, "mnuPopUp2");
  EXPECT_EQ(shown.item_names, QStringList({"mnuReg", "mnuRegRem"}));
  EXPECT_EQ(shown.items, QStringList({"Add to right click on drives, folders (registry)",
                                      "Remove from right click on drives, folders (registry)"}));

  // The line takes no mouse events: a click there is one on the surface.
  ShownMenu over_line;
  test::answer_next_popup(over_line, "");
  const QRect line = widget<QWidget>(ControlId::Line1).geometry();
  QTest::mouseClick(&window->window, Qt::RightButton, {}, line.center());
  EXPECT_TRUE(over_line.shown);
  EXPECT_EQ(over_line.name, "mnuPopUp2");

  // A menu runs inside the click that opens it. The answer stands ready for
  // the label's click, so a menu it opened would be answered there; the bare
  // window's click after it shows that the answer was live.
  ShownMenu next;
  test::answer_next_popup(next, "");
  QWidget& label = widget<QLabel>(ControlId::Label3);
  QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_FALSE(next.shown) << "a menu opened over a label";
  QTest::mouseClick(&window->window, Qt::RightButton, {}, bare_point());
  EXPECT_TRUE(next.shown);
  EXPECT_EQ(next.name, "mnuPopUp2");
}

TEST_F(QtWindowEvents, TheHelpBoxHasTheTitleTheTextOnlyOkAndNoIcon) {
  test::ShownMessage shown;
  test::answer_next_message_box(shown);
  QTest::mouseClick(&widget<QPushButton>(ControlId::Command2), Qt::LeftButton);
  ASSERT_TRUE(shown.shown);
  EXPECT_EQ(shown.title, "Korvint");
  EXPECT_EQ(shown.text, QString::fromStdString(app::help_text()).replace("\r\n", "\n"));
  EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
  EXPECT_EQ(shown.buttons, 1);
  EXPECT_TRUE(shown.has_ok);
}

TEST_F(QtWindowEvents, TheFolderDialogFillsThePathBoxOrChangesNothing) {
  tree.folder("photos");
  window->Text1.setText("/before/");
  test::answer_next_folder_dialog("");
  QTest::mouseClick(&widget<QPushButton>(ControlId::Command9), Qt::LeftButton);
  EXPECT_EQ(window->Text1.text(), "/before/");

  test::answer_next_folder_dialog(QString::fromStdString(test::path_text(tree.root() / "photos")));
  QTest::mouseClick(&widget<QPushButton>(ControlId::Command9), Qt::LeftButton);
  EXPECT_EQ(window->Text1.text(), test::path_text(tree.root() / "photos") + "/");
  EXPECT_EQ(window->Text4.text(), "photos.lst");

  test::answer_next_folder_dialog("/");
  QTest::mouseClick(&widget<QPushButton>(ControlId::Command4), Qt::LeftButton);
  ASSERT_EQ(window->List1.ListCount(), 1);
  EXPECT_EQ(window->List1.List(0), "/");
}

TEST_F(QtWindowEvents, AltXClosesTheWindowAndTheCloseBoxToo) {
  QTest::keyClick(window->window.windowHandle(), Qt::Key_X, Qt::AltModifier);
  EXPECT_TRUE(window->form.closed);
  EXPECT_FALSE(window->window.isVisible());

  QtForm other({}, {"/"}, 96);
  other.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&other.window, 60000));
  QTest::keyClick(other.window.windowHandle(), Qt::Key_X);  // X without Alt is just a key
  EXPECT_FALSE(other.form.closed);
  other.window.close();
  EXPECT_TRUE(other.form.closed);
  EXPECT_FALSE(other.window.isVisible());
}

TEST_F(QtWindowEvents, TheOutputFolderBoxCompletesFolderNames) {
  const QCompleter* completer = widget<QLineEdit>(ControlId::Text5).completer();
  ASSERT_NE(completer, nullptr);
  EXPECT_NE(qobject_cast<QFileSystemModel*>(completer->model()), nullptr);
  EXPECT_EQ(widget<QLineEdit>(ControlId::Text1).completer(), nullptr);
}

TEST_F(QtWindowEvents, FocusInATextBoxIsSeen) {
  widget<QLineEdit>(ControlId::Text4).setFocus();
  QApplication::setActiveWindow(&window->window);
  for (int wait = 0; wait < 6000 && !window->host.focusInTextBox(); ++wait) QTest::qWait(10);
  EXPECT_TRUE(window->host.focusInTextBox());
  widget<QPushButton>(ControlId::Command7).setFocus();
  EXPECT_FALSE(window->host.focusInTextBox());
}

}  // namespace
}  // namespace korvint::hosts::qt
