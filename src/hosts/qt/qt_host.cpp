#include "hosts/qt/qt_host.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "ui/form_layout.h"
#include "hosts/qt/qt_text.h"
#include "hosts/qt/qt_window.h"
#include "hosts/qt/x_click.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

std::string chosen_folder_text(const QString& folder) {
  if (folder.isEmpty()) return "";
  QString path = folder;
  while (path.size() > 1 && path.endsWith(QLatin1Char('/'))) path.chop(1);
  return from_bytes(QFile::encodeName(path));
}

QtFormHost::~QtFormHost() { setHourglass(false); }

void QtFormHost::DoEvents() {
  ++do_events_calls_;
  QCoreApplication::processEvents();
}

void QtFormHost::setHourglass(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtFormHost::showWindow() { window_.show(); }

void QtFormHost::closeWindow() {
  // Closing the last window ends the event loop once control gets back to it,
  // even when this runs inside a turn that a scan gave the loop.
  window_.close();
}

std::optional<MenuItemId> QtFormHost::popupMenu(MenuId menu) {
  const MenuShape& shape = menu_shape(menu);
  QMenu popup(&window_);
  popup.setObjectName(to_qt(shape.name));
  popup.setTitle(to_qt(shape.caption));
  for (const MenuItemShape& item : shape.items) {
    QAction* action = popup.addAction(to_qt(item.caption));
    action->setObjectName(to_qt(item.name));
    action->setData(static_cast<int>(item.id));
  }
  const QAction* chosen = popup.exec(QCursor::pos());
  if (chosen == nullptr) return std::nullopt;
  return static_cast<MenuItemId>(chosen->data().toInt());
}

void QtFormHost::messageBox(std::string_view text, std::string_view title) {
  QString shown = to_qt(text);
  shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  QMessageBox box(QMessageBox::NoIcon, to_qt(title), shown, QMessageBox::Ok, &window_);
  box.setTextFormat(Qt::PlainText);
  // A bare OK, as on Windows; some styles put an icon on dialog buttons.
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

std::string QtFormHost::BrowseFolder() {
  if (last_folder_.isEmpty()) last_folder_ = QDir::homePath();
  const QString chosen = QFileDialog::getExistingDirectory(
      &window_, QStringLiteral("Choose a folder"), last_folder_, QFileDialog::ShowDirsOnly);
  if (!chosen.isEmpty()) last_folder_ = chosen;
  return chosen_folder_text(chosen);
}

void QtFormHost::ClickDaMouse() { inject_left_click(); }

bool QtFormHost::focusInTextBox() const {
  QWidget* focus = QApplication::focusWidget();
  return focus != nullptr && qobject_cast<QLineEdit*>(focus) != nullptr &&
         window_.isAncestorOf(focus);
}

void QtFormHost::enablePathCompletion() {
  if (completer_ != nullptr) return;
  auto* folders = new QFileSystemModel(&window_);
  folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  folders->setRootPath(QString());
  completer_ = new QCompleter(folders, &window_);
  completer_->setCaseSensitivity(Qt::CaseSensitive);
  window_.control_as<QLineEdit>(ControlId::Text5).setCompleter(completer_);
}

}  // namespace korvint::hosts::qt
