#include "hosts/qt/qt_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "hosts/qt/qt_text.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

QtTextBox::QtTextBox(QLineEdit& edit)
    : edit_(edit), set_text_(from_qt(edit.text())), shown_(edit.text()) {}

std::string QtTextBox::text() const {
  const QString now = edit_.text();
  return now == shown_ ? set_text_ : from_qt(now);
}

void QtTextBox::setText(std::string_view text) {
  set_text_ = std::string(text);
  edit_.setText(to_qt(text));
  shown_ = edit_.text();
}

std::string QtLabel::caption() const { return from_qt(label_.text()); }

void QtLabel::setCaption(std::string_view caption) {
  label_.setText(to_qt(caption));
  label_.setToolTip(to_qt(tooltip_text(shape_, caption)));
}

std::string QtWindowCaption::caption() const { return from_qt(window_.windowTitle()); }

void QtWindowCaption::setCaption(std::string_view caption) { window_.setWindowTitle(to_qt(caption)); }

bool QtButton::visible() const { return !button_.isHidden(); }

void QtButton::setVisible(bool visible) { button_.setVisible(visible); }

bool QtButton::enabled() const { return button_.isEnabled(); }

void QtButton::setEnabled(bool enabled) { button_.setEnabled(enabled); }

QtListBox::QtListBox(QListWidget& list) : list_(list) {
  connection_ = QObject::connect(&list_, &QListWidget::itemSelectionChanged, &list_,
                                 [this] { selection_changed(); });
}

QtListBox::~QtListBox() { QObject::disconnect(connection_); }

int QtListBox::row_count() const { return list_.count(); }

std::string QtListBox::row_text(int row) const {
  return from_bytes(list_.item(row)->data(Qt::UserRole).toByteArray());
}

int QtListBox::selected_row() const {
  const QList<QListWidgetItem*> selected = list_.selectedItems();
  return selected.isEmpty() ? -1 : list_.row(selected.front());
}

void QtListBox::select_row(int row) {
  if (row == -1) {
    list_.clearSelection();
    list_.setCurrentRow(-1);
    return;
  }
  // In single selection, making the entry current selects it.
  list_.setCurrentRow(row);
  list_.scrollToItem(list_.item(row));
}

void QtListBox::append_row(std::string_view entry) {
  auto* item = new QListWidgetItem(to_qt(entry));
  item->setData(Qt::UserRole, to_bytes(entry));
  list_.addItem(item);
}

void QtListBox::remove_row(int row) { delete list_.takeItem(row); }

void QtListBox::remove_all_rows() { list_.clear(); }

void QtDriveBox::fill(const std::vector<std::string>& drives) {
  box_.clear();
  for (const std::string& drive : drives) box_.addItem(to_qt(drive), to_bytes(drive));
  if (!drives.empty()) box_.setCurrentIndex(0);
}

int QtDriveBox::ListCount() const { return box_.count(); }

std::string QtDriveBox::List(int index) const {
  if (index < 0 || index >= box_.count()) return "";
  return from_bytes(box_.itemData(index).toByteArray());
}

int QtDriveBox::ListIndex() const { return box_.currentIndex(); }

}  // namespace korvint::hosts::qt
