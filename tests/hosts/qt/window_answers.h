#pragma once
// Plays the user for the window's modal parts: answers the next popup menu,
// message box or folder dialog as it appears, and tells what it showed.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <functional>

namespace korvint::test {

/// What a popup menu offered.
struct ShownMenu {
  bool shown = false;
  QString name;          ///< the menu's object name
  QStringList items;     ///< the captions of its items
  QStringList item_names;
};

/// Answers the next popup menu by choosing the item named `item` ("": closes it
/// without a choice), filling `shown`, which must outlive the answer.
void answer_next_popup(ShownMenu& shown, const QString& item);

/// What a message box showed.
struct ShownMessage {
  bool shown = false;
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  bool has_ok = false;
};

/// Answers the next message box with OK, filling `shown`, which must outlive the answer.
void answer_next_message_box(ShownMessage& shown);

/// Answers the next folder dialog with `folder` ("": cancels it).
void answer_next_folder_dialog(const QString& folder);

/// Runs Qt's events until `condition` holds; false when it did not within 30 s.
bool wait_for(const std::function<bool()>& condition);

}  // namespace korvint::test
