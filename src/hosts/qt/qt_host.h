#pragma once
// The Qt window host: the event loop, the pointer, the popup menus, message
// boxes, the folder dialog and closing, for the handlers of the main window.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "ui/form_host.h"

class QCompleter;

namespace korvint::hosts::qt {
using namespace korvint::ui;

class FormWindow;

/// A folder the folder dialog returned, as the handlers take it: without a
/// trailing "/", except for "/" itself; "" for none.
std::string chosen_folder_text(const QString& folder);

class QtFormHost final : public FormHost {
 public:
  /// `window` must outlive the host.
  explicit QtFormHost(FormWindow& window) : window_(window) {}
  /// Gives the pointer back if a job left it busy.
  ~QtFormHost() override;
  QtFormHost(const QtFormHost&) = delete;
  QtFormHost& operator=(const QtFormHost&) = delete;

  void DoEvents() override;
  void setHourglass(bool busy) override;
  void showWindow() override;
  void closeWindow() override;
  std::optional<MenuItemId> popupMenu(MenuId menu) override;
  void messageBox(std::string_view text, std::string_view title) override;
  std::string BrowseFolder() override;
  void ClickDaMouse() override;
  [[nodiscard]] bool focusInTextBox() const override;
  void enablePathCompletion() override;

  /// How many times DoEvents ran.
  [[nodiscard]] long do_events_calls() const { return do_events_calls_; }

 private:
  FormWindow& window_;
  bool busy_ = false;
  QCompleter* completer_ = nullptr;
  QString last_folder_;  ///< where the folder dialog opens next
  long do_events_calls_ = 0;
};

}  // namespace korvint::hosts::qt
