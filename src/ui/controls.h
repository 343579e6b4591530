#pragma once
// The control model: the properties of the window's controls that the event
// handlers use, the way a window toolkit offers them. Each host implements
// these over its own widgets; the headless host keeps plain values.

#include <string>
#include <string_view>

namespace korvint::ui {

/// A text box.
class TextBox {
 public:
  virtual ~TextBox() = default;
  [[nodiscard]] virtual std::string text() const = 0;
  virtual void setText(std::string_view text) = 0;
};

/// A label or any other control that shows a caption.
class Label {
 public:
  virtual ~Label() = default;
  [[nodiscard]] virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
};

/// A command button.
class Button {
 public:
  virtual ~Button() = default;
  [[nodiscard]] virtual bool visible() const = 0;
  virtual void setVisible(bool visible) = 0;
  [[nodiscard]] virtual bool enabled() const = 0;
  virtual void setEnabled(bool enabled) = 0;
};

/// A single-selection list box; indexes are 0-based, -1 means no selection.
class ListBox {
 public:
  virtual ~ListBox() = default;
  [[nodiscard]] virtual int ListCount() const = 0;
  /// The entry at `index`; "" when there is none.
  [[nodiscard]] virtual std::string List(int index) const = 0;
  [[nodiscard]] virtual int ListIndex() const = 0;
  /// Selects the entry at `index` (-1: none). A host whose toolkit reports the
  /// change runs the list's click handler for it.
  virtual void setListIndex(int index) = 0;
  virtual void AddItem(std::string_view entry) = 0;
  virtual void RemoveItem(int index) = 0;
  virtual void Clear() = 0;
};

/// The drive box: a drop-down choice of the machine's drives.
class DriveBox {
 public:
  virtual ~DriveBox() = default;
  [[nodiscard]] virtual int ListCount() const = 0;
  [[nodiscard]] virtual std::string List(int index) const = 0;
  [[nodiscard]] virtual int ListIndex() const = 0;
};

}  // namespace korvint::ui
