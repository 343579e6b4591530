#pragma once
// Controls that keep plain values: the body of the form in tests and in batch
// runs without a display.

#include <string>
#include <vector>

#include "ui/controls.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

class HeadlessTextBox final : public TextBox {
 public:
  explicit HeadlessTextBox(std::string text = {}) : text_(std::move(text)) {}
  [[nodiscard]] std::string text() const override { return text_; }
  void setText(std::string_view text) override { text_ = text; }

 private:
  std::string text_;
};

class HeadlessLabel final : public Label {
 public:
  explicit HeadlessLabel(std::string caption = {}) : caption_(std::move(caption)) {}
  [[nodiscard]] std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = caption; }

 private:
  std::string caption_;
};

class HeadlessButton final : public Button {
 public:
  [[nodiscard]] bool visible() const override { return visible_; }
  void setVisible(bool visible) override { visible_ = visible; }
  [[nodiscard]] bool enabled() const override { return enabled_; }
  void setEnabled(bool enabled) override { enabled_ = enabled; }

 private:
  bool visible_ = true;
  bool enabled_ = true;
};

/// A list box of plain entries.
class HeadlessListBox final : public ListBox {
 public:
  /// Plays the user pressing the left button on entry `row` (-1: below the
  /// entries), as the Windows list box reports it: a press on an entry selects
  /// it and reports, even when it was selected already.
  void user_clicks(int row) {
    const bool on_entry = row >= 0 && row < row_count();
    user_pressed(on_entry, [&] {
      if (!on_entry) return;
      selected_ = row;
      selection_changed();
    });
  }

  /// Plays a key that moves the selection to `row` (or leaves it there), as a
  /// toolkit reports it.
  void user_keys_to(int row) {
    selected_ = row;
    selection_changed();
  }

 protected:
  [[nodiscard]] int row_count() const override { return static_cast<int>(entries_.size()); }
  [[nodiscard]] std::string row_text(int row) const override {
    return entries_[static_cast<std::size_t>(row)];
  }
  [[nodiscard]] int selected_row() const override { return selected_; }
  void select_row(int row) override { selected_ = row; }
  void append_row(std::string_view entry) override { entries_.emplace_back(entry); }
  void remove_row(int row) override { entries_.erase(entries_.begin() + row); }
  void remove_all_rows() override { entries_.clear(); }

 private:
  std::vector<std::string> entries_;
  int selected_ = -1;
};

class HeadlessDriveBox final : public DriveBox {
 public:
  explicit HeadlessDriveBox(std::vector<std::string> drives = {}) : drives_(std::move(drives)) {}
  [[nodiscard]] int ListCount() const override { return static_cast<int>(drives_.size()); }
  [[nodiscard]] std::string List(int index) const override {
    return index >= 0 && index < ListCount() ? drives_[static_cast<std::size_t>(index)] : "";
  }
  [[nodiscard]] int ListIndex() const override { return drives_.empty() ? -1 : chosen; }
  int chosen = 0;

 private:
  std::vector<std::string> drives_;
};

}  // namespace korvint::hosts::headless
