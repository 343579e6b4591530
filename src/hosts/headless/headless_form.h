#pragma once
// The headless host: a whole form of plain controls, and a host whose event
// loop runs the user actions a test (or a signal) has queued.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/form1.h"
#include "ui/form_host.h"
#include "hosts/headless/headless_controls.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

/// A host that records what the handlers asked of it.
class HeadlessHost final : public FormHost {
 public:
  /// Runs the queued actions, oldest first, and any queued while they run.
  void DoEvents() override;
  void setHourglass(bool busy) override { hourglass = busy; }
  void showWindow() override { shown = true; }
  void closeWindow() override { closed = true; }
  std::optional<MenuItemId> popupMenu(MenuId menu) override;
  void messageBox(std::string_view text, std::string_view title) override {
    messages.push_back({std::string(text), std::string(title)});
  }
  std::string BrowseFolder() override;
  void ClickDaMouse() override;
  [[nodiscard]] bool focusInTextBox() const override { return focus_in_text_box; }
  void enablePathCompletion() override { path_completion = true; }

  /// Queues a user action to run at the next DoEvents.
  void queue(std::function<void()> action) { actions_.push_back(std::move(action)); }

  /// Runs at every DoEvents, before the queued actions (a progress display, say).
  std::function<void()> on_do_events;

  // What the handlers did, for tests to look at.
  struct Message {
    std::string text;
    std::string title;
  };
  bool hourglass = false;
  bool shown = false;
  bool closed = false;
  bool path_completion = false;
  bool focus_in_text_box = false;
  int do_events_calls = 0;
  int clicks_injected = 0;
  std::vector<Message> messages;
  std::vector<MenuId> menus_shown;

  // What the "user" answers: folder dialogs in turn ("" = cancel), menu choices in turn.
  std::deque<std::string> folder_answers;
  std::deque<std::optional<MenuItemId>> menu_answers;
  /// Runs when a click is injected (a test moves the list's selection, say).
  std::function<void()> on_click_injected;

 private:
  std::deque<std::function<void()>> actions_;
};

/// A complete headless window: controls, host and form, its events connected
/// to their handlers as in a real window.
class HeadlessForm {
 public:
  explicit HeadlessForm(FormServices services = {}, std::vector<std::string> drives = {});
  HeadlessForm(const HeadlessForm&) = delete;
  HeadlessForm& operator=(const HeadlessForm&) = delete;

  HeadlessTextBox Text1{"path to scan"}, Text2{"Text2"}, Text3{"Text3"}, Text4{"text4"},
      Text5{"Text5"};
  HeadlessLabel Label1{"l1"}, Label2{"Label2"}, Caption{"KorvintVB"};
  HeadlessListBox List1;
  HeadlessDriveBox Drive1;
  HeadlessButton Command1, mStop;
  HeadlessHost host;
  Form1 form;
};

}  // namespace korvint::hosts::headless
