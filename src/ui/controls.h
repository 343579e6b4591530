#pragma once
// The control model: the properties of the window's controls that the event
// handlers use, the way a window toolkit offers them. Each host implements
// them over its own widgets (the headless host keeps plain values) and keeps
// the contracts stated here; tests/support/control_contract checks them
// against every host.

#include <functional>
#include <string>
#include <string_view>

namespace korvint::ui {

/// A text box. text() is what the box holds now, the user's typing included;
/// text the program set reads back unchanged.
class TextBox {
 public:
  virtual ~TextBox() = default;
  [[nodiscard]] virtual std::string text() const = 0;
  virtual void setText(std::string_view text) = 0;
};

/// A label, or any other control that shows a caption. A caption shows as
/// typed: "&" marks no access key.
class Label {
 public:
  virtual ~Label() = default;
  [[nodiscard]] virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
};

/// A command button. visible() is the button's own setting, also while the
/// window itself is hidden.
class Button {
 public:
  virtual ~Button() = default;
  [[nodiscard]] virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  [[nodiscard]] virtual bool enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
};

/// A single-selection list box; indexes are 0-based, -1 means no selection.
/// Written once over what a host's widget does; the contract:
/// - AddItem appends an entry at the end; the selection stays where it was.
/// - setListIndex(i) selects entry i, -1 none; an index out of range changes nothing.
/// - RemoveItem(i) removes entry i, the entries after it move up by one and no
///   entry is selected afterwards; an index out of range changes nothing.
/// - Clear removes every entry; no entry is selected afterwards.
/// - `on_click` (the list's click handler) runs once for each press of the left
///   mouse button on an entry, the entry already selected included, as the
///   Windows list box reports each (both presses of a double click count); once
///   each time a key or setListIndex moves the selection to another entry; never
///   for a press beside the entries or with the middle button, a key that
///   leaves the selection where it was, a move to no entry, nor AddItem,
///   RemoveItem or Clear.
class ListBox {
 public:
  virtual ~ListBox() = default;

  [[nodiscard]] int ListCount() const { return row_count(); }
  /// The entry at `index`; "" when there is none.
  [[nodiscard]] std::string List(int index) const;
  [[nodiscard]] int ListIndex() const { return selected_row(); }
  void setListIndex(int index);
  void AddItem(std::string_view entry);
  void RemoveItem(int index);
  void Clear();

  /// Runs for each click on an entry and each move to another entry (above).
  std::function<void()> on_click;

  /// For the host: its toolkit says the selection changed (a key, or the
  /// mouse). Reports a move to another entry once; says nothing while
  /// user_pressed runs.
  void selection_changed();

  /// For the host: the user pressed the left button on the list, `on_entry`
  /// when the pointer is over an entry. `press` lets the toolkit handle the
  /// press (a press on an entry selects it). Reports once afterwards: always
  /// when `on_entry` and an entry is selected, otherwise only a move.
  void user_pressed(bool on_entry, const std::function<void()>& press);

 protected:
  // What the host's widget does, and nothing more; none of these reports.
  [[nodiscard]] virtual int row_count() const = 0;
  /// The text of `row`, 0 <= row < row_count().
  [[nodiscard]] virtual std::string row_text(int row) const = 0;
  /// The selected row, -1 for none.
  [[nodiscard]] virtual int selected_row() const = 0;
  /// Selects `row`, -1 for none.
  virtual void select_row(int row) = 0;
  virtual void append_row(std::string_view entry) = 0;
  virtual void remove_row(int row) = 0;
  virtual void remove_all_rows() = 0;

 private:
  class Quiet;
  void report_if_moved();

  int reported_ = -1;      ///< the selection as last reported, so each move reports once
  int quiet_ = 0;          ///< above 0 while the list itself changes the widget
  bool pressing_ = false;  ///< true while user_pressed lets the toolkit handle a press
};

/// The drive box: a drop-down choice of the machine's drives.
class DriveBox {
 public:
  virtual ~DriveBox() = default;
  [[nodiscard]] virtual int ListCount() const = 0;
  /// The entry at `index`; "" when there is none.
  [[nodiscard]] virtual std::string List(int index) const = 0;
  /// The chosen entry, -1 for none.
  [[nodiscard]] virtual int ListIndex() const = 0;
};

}  // namespace korvint::ui
