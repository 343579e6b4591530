#include "hosts/qt/qt_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include "hosts/qt/qt_text.h"

namespace korvint::ui::qt {

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
  // A failure message is often longer than its label is wide: resting the
  // pointer on the label shows all of it.
  label_.setToolTip(label_.text());
}

std::string QtWindowCaption::caption() const { return from_qt(window_.windowTitle()); }

void QtWindowCaption::setCaption(std::string_view caption) { window_.setWindowTitle(to_qt(caption)); }

bool QtButton::visible() const { return !button_.isHidden(); }

void QtButton::setVisible(bool visible) { button_.setVisible(visible); }

bool QtButton::enabled() const { return button_.isEnabled(); }

void QtButton::setEnabled(bool enabled) { button_.setEnabled(enabled); }

QtListBox::QtListBox(QListWidget& list) : list_(list), reported_(selected_row()) {
  connection_ = QObject::connect(&list_, &QListWidget::itemSelectionChanged, &list_,
                                 [this] { selection_changed(); });
}

QtListBox::~QtListBox() { QObject::disconnect(connection_); }

int QtListBox::ListCount() const { return list_.count(); }

std::string QtListBox::List(int index) const {
  const QListWidgetItem* entry = list_.item(index);
  return entry == nullptr ? std::string() : from_bytes(entry->data(Qt::UserRole).toByteArray());
}

int QtListBox::ListIndex() const { return selected_row(); }

void QtListBox::setListIndex(int index) {
  if (index < -1 || index >= list_.count()) return;
  if (index == -1) {
    list_.clearSelection();
    list_.setCurrentRow(-1);
    return;
  }
  // In single selection, making the entry current selects it; the list then
  // reports the change, which runs on_click.
  list_.setCurrentRow(index);
  list_.scrollToItem(list_.item(index));
}

void QtListBox::AddItem(std::string_view entry) {
  auto* item = new QListWidgetItem(to_qt(entry));
  item->setData(Qt::UserRole, to_bytes(entry));
  list_.addItem(item);
}

void QtListBox::RemoveItem(int index) {
  if (index < 0 || index >= list_.count()) return;
  // The list would move its selection to a neighbour; nobody chose that entry.
  quiet_ = true;
  delete list_.takeItem(index);
  list_.clearSelection();
  list_.setCurrentRow(-1);
  quiet_ = false;
  reported_ = selected_row();
}

void QtListBox::Clear() {
  quiet_ = true;
  list_.clear();
  quiet_ = false;
  reported_ = selected_row();
}

int QtListBox::selected_row() const {
  const QList<QListWidgetItem*> selected = list_.selectedItems();
  return selected.isEmpty() ? -1 : list_.row(selected.front());
}

void QtListBox::selection_changed() {
  const int now = selected_row();
  const bool moved = now != reported_;
  reported_ = now;
  if (!quiet_ && moved && now >= 0 && on_click) on_click();
}

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

}  // namespace korvint::ui::qt
