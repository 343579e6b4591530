#pragma once
// Vesko's window without a toolkit: plain controls, a table that reads its
// rows through the model as a list view would, and a host whose posted work
// waits until the test runs it. Tests play the user on it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/vesko_window_start.h"
#include "hosts/headless/headless_controls.h"
#include "ui/posted_tasks.h"
#include "ui/vesko_form.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

/// A table that keeps the row count it was last told and a selection.
class HeadlessTable final : public TableView {
 public:
  explicit HeadlessTable(int column_count) : columns(column_count) {}
  void setRows(const TableRows* rows) override { rows_ = rows; }
  void rowsChanged() override;
  void rowsRefreshed() override;
  [[nodiscard]] std::size_t topRow() const override { return top; }
  void selectRows(const std::vector<std::size_t>& rows) override {
    selected_ = rows;
    if (!rows.empty()) current_ = rows.front();
  }
  [[nodiscard]] std::vector<std::size_t> selectedRows() const override { return selected_; }
  [[nodiscard]] std::optional<std::size_t> currentRow() const override { return current_; }
  void showSortColumn(int column, bool descending) override { sort_column = column, sort_descending = descending; }

  /// The rows as the table was last told of them.
  [[nodiscard]] std::size_t shown_rows() const { return shown_rows_; }
  /// The text of a cell, read through the model as a host would.
  [[nodiscard]] std::string cell(std::size_t row, int column) const;
  /// Every cell of `row`, joined with TAB.
  [[nodiscard]] std::string row_text(std::size_t row) const;
  /// Plays the user selecting `rows` (the last of them becomes current).
  void user_selects(std::vector<std::size_t> rows);

  int columns;  ///< the view window's table takes the columns of the view it shows
  int sort_column = -1;
  bool sort_descending = false;
  std::vector<std::size_t> shown_counts;  ///< the row count at each rowsChanged()
  std::size_t top = 0;                    ///< the first row on screen: the test scrolls by setting it
  int refreshes = 0;                      ///< how often the rows were refreshed in place

 private:
  const TableRows* rows_ = nullptr;
  std::size_t shown_rows_ = 0;
  std::vector<std::size_t> selected_;
  std::optional<std::size_t> current_;
};

/// The view window: a table, a status line, and what it was last asked to show.
class HeadlessViewWindow final : public ViewWindow {
 public:
  explicit HeadlessViewWindow(ViewEvents& events) : events(events) {}
  TableView& lstView() override { return table; }
  Label& lblViewStatus() override { return status; }
  void showView(std::string_view view_title, std::span<const VeskoColumn> view_columns) override {
    title = view_title;
    table.columns = static_cast<int>(view_columns.size());
    shown = true;
  }
  void showOptions(const ViewOptions& shown_options) override { options_set = shown_options; }
  [[nodiscard]] ViewOptions options() const override { return options_set; }

  ViewEvents& events;  ///< the test plays the user through it
  HeadlessTable table{0};
  HeadlessLabel status;
  std::string title;
  bool shown = false;
  ViewOptions options_set;  ///< as the window shows them: the test changes them as the user would
};

class HeadlessBrowseWindow;  // hosts/headless/headless_browse.h

class HeadlessVeskoHost final : public VeskoHost {
 public:
  ~HeadlessVeskoHost() override;
  void post(std::function<void()> task) override;
  /// Waits for the test's clock: advance_clock() posts it once `delay` has passed there.
  void postAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
  void dropPosted() override;
  void showWindow() override { shown = true; }
  void closeWindow() override { closed = true; }
  std::string BrowseFolder(std::string_view start) override;
  void setClipboardText(std::string_view text) override { clipboard = text; }
  std::string SaveExportFile(std::string_view suggested) override {
    export_suggestions.emplace_back(suggested);
    return export_answer;
  }
  std::optional<ResultMenuItem> popupResultMenu() override;
  std::optional<std::size_t> popupMenu(const std::vector<std::string>& items) override;
  ViewWindow& viewWindow(ViewEvents& events) override;
  BrowseWindow& browseWindow(BrowseEvents& events) override;
  void messageBox(std::string_view text) override { messages.emplace_back(text); }
  void showText(std::string_view title, std::string_view text) override { texts_shown.emplace_back(title, text); }
  void focusControl(VeskoControlId id) override { focus = id; }
  void watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) override {
    watched_folders = folders;
    watched_files = files;
  }

  /// Waits up to `ceiling` for posted work, then runs all of it; how many tasks ran.
  int run_posted(std::chrono::milliseconds ceiling);
  /// Moves the window's clock on by `step`: the delayed tasks due by then are
  /// posted, the earliest first (run_posted() runs them); how many were.
  int advance_clock(std::chrono::milliseconds step);

  bool shown = false;
  bool closed = false;
  std::string clipboard;
  std::string export_answer;                     ///< the path the save dialog gives ("" = cancel)
  std::vector<std::string> export_suggestions;   ///< the name each save dialog suggested
  std::vector<std::string> messages;
  std::vector<std::pair<std::string, std::string>> texts_shown;  ///< title and text of each showText()
  std::optional<VeskoControlId> focus;
  std::vector<std::string> folder_dialogs_opened_at;
  std::vector<std::string> watched_folders;  ///< the test reports their changes (catalogues_changed())
  std::vector<std::string> watched_files;
  std::deque<std::string> folder_answers;                     ///< "" = cancel
  std::deque<std::optional<ResultMenuItem>> menu_answers;     ///< nullopt = dismissed
  int menus_shown = 0;
  std::vector<std::vector<std::string>> menus;          ///< the items of each popupMenu()
  std::deque<std::optional<std::size_t>> item_answers;  ///< what popupMenu() gives, nullopt = dismissed
  std::unique_ptr<HeadlessViewWindow> view;             ///< made by the first viewWindow()
  std::unique_ptr<HeadlessBrowseWindow> browse;         ///< made by the first browseWindow()

 private:
  PostedTasks posted_;
  std::chrono::milliseconds clock_{0};  ///< the window's clock, which only the test moves
  std::multimap<std::chrono::milliseconds, std::function<void()>> delayed_;  ///< by the time each is due
  std::mutex mutex_;
  std::condition_variable posted_signal_;
};

/// A whole headless Vesko window over `options`, with Vesko.ini looked for in `places`.
class HeadlessVeskoWindow {
 public:
  HeadlessVeskoWindow(app::VeskoWindowOptions options, std::vector<std::string> places,
                      std::string default_folder, jobs::VeskoServices services = {});

  /// Runs posted work until the session has shown what it was asked for;
  /// false when that took longer than `ceiling`.
  bool settle(std::chrono::milliseconds ceiling = std::chrono::seconds(60));
  /// Plays the user typing `text` into the query box (replacing what it held).
  void type(std::string_view text);

  HeadlessTextBox txtQuery;
  HeadlessLabel lblFolder, lblStatus;
  HeadlessTable lstCatalogues{static_cast<int>(catalogue_columns().size())};
  HeadlessTable lstResults{static_cast<int>(result_columns().size())};
  HeadlessVeskoHost host;
  VeskoForm form{txtQuery, lblFolder, lstCatalogues, lstResults, lblStatus, host};
  app::VeskoWindow window;
};

}  // namespace korvint::hosts::headless
