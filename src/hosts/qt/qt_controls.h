#pragma once
// The control model over Qt widgets: what the handlers read and write goes
// straight to the widgets the user sees.

#include <QByteArray>
#include <QMetaObject>
#include <QString>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/controls.h"
#include "ui/form_layout.h"

class QAbstractButton;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QWidget;

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// A text box over a line edit. Text the program put there reads back byte for
/// byte (names need not be UTF-8); text the user edited reads back as UTF-8.
class QtTextBox final : public TextBox {
 public:
  explicit QtTextBox(QLineEdit& edit);
  [[nodiscard]] std::string text() const override;
  void setText(std::string_view text) override;

 private:
  QLineEdit& edit_;
  std::string set_text_;  ///< what the program last set
  QString shown_;         ///< how the box showed it
};

/// A label's caption; its tooltip follows the caption where the table says so.
class QtLabel final : public Label {
 public:
  /// `label` shows the control `shape` of a layout table.
  QtLabel(QLabel& label, const ControlShape& shape) : label_(label), shape_(shape) {}
  [[nodiscard]] std::string caption() const override;
  void setCaption(std::string_view caption) override;

 private:
  QLabel& label_;
  const ControlShape& shape_;
};

/// The window's caption, its title.
class QtWindowCaption final : public Label {
 public:
  explicit QtWindowCaption(QWidget& window) : window_(window) {}
  [[nodiscard]] std::string caption() const override;
  void setCaption(std::string_view caption) override;

 private:
  QWidget& window_;
};

/// A command button; `visible` is the button's own setting, whether or not the window shows.
class QtButton final : public Button {
 public:
  explicit QtButton(QAbstractButton& button) : button_(button) {}
  [[nodiscard]] bool visible() const override;
  void setVisible(bool visible) override;
  [[nodiscard]] bool enabled() const override;
  void setEnabled(bool enabled) override;

 private:
  QAbstractButton& button_;
};

/// The scan list over a single-selection list widget. Entries keep their bytes.
class QtListBox final : public ListBox {
 public:
  explicit QtListBox(QListWidget& list);
  ~QtListBox() override;
  QtListBox(const QtListBox&) = delete;
  QtListBox& operator=(const QtListBox&) = delete;

 protected:
  [[nodiscard]] int row_count() const override;
  [[nodiscard]] std::string row_text(int row) const override;
  [[nodiscard]] int selected_row() const override;
  void select_row(int row) override;
  void append_row(std::string_view entry) override;
  void remove_row(int row) override;
  void remove_all_rows() override;

 private:
  QListWidget& list_;
  QMetaObject::Connection connection_;
};

/// The drive box over a combo box. Entries keep their bytes.
class QtDriveBox final : public DriveBox {
 public:
  explicit QtDriveBox(QComboBox& box) : box_(box) {}
  /// Replaces the entries with `drives` and chooses the first.
  void fill(const std::vector<std::string>& drives);
  [[nodiscard]] int ListCount() const override;
  [[nodiscard]] std::string List(int index) const override;
  [[nodiscard]] int ListIndex() const override;

 private:
  QComboBox& box_;
};

}  // namespace korvint::hosts::qt
