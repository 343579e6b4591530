#include "hosts/headless/vesko_headless.h"

#include <algorithm>

#include "app/vesko_form_events.h"
#include "hosts/headless/headless_browse.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

void HeadlessTable::rowsChanged() {
  shown_rows_ = rows_ != nullptr ? rows_->row_count() : 0;
  shown_counts.push_back(shown_rows_);
  selected_.clear();
  current_.reset();
  top = 0;
}

void HeadlessTable::rowsRefreshed() {
  shown_rows_ = rows_ != nullptr ? rows_->row_count() : 0;
  ++refreshes;
  std::erase_if(selected_, [this](std::size_t row) { return row >= shown_rows_; });
  if (current_ && *current_ >= shown_rows_) current_.reset();
  top = std::min(top, shown_rows_ == 0 ? 0 : shown_rows_ - 1);
}

std::string HeadlessTable::cell(std::size_t row, int column) const {
  std::string text;
  if (rows_ != nullptr && row < shown_rows_) rows_->cell(row, column, text);
  return text;
}

std::string HeadlessTable::row_text(std::size_t row) const {
  std::string text;
  for (int column = 0; column < columns; ++column) text += (column == 0 ? "" : "\t") + cell(row, column);
  return text;
}

void HeadlessTable::user_selects(std::vector<std::size_t> rows) {
  selected_ = std::move(rows);
  current_ = selected_.empty() ? std::nullopt : std::optional<std::size_t>(selected_.back());
}

void HeadlessVeskoHost::post(std::function<void()> task) {
  {
    const std::lock_guard lock(mutex_);
    posted_.push(std::move(task));
  }
  posted_signal_.notify_all();
}

void HeadlessVeskoHost::postAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  delayed_.emplace(clock_ + delay, std::move(task));
}

void HeadlessVeskoHost::dropPosted() {
  posted_.clear();
  delayed_.clear();
}

int HeadlessVeskoHost::advance_clock(std::chrono::milliseconds step) {
  clock_ += step;
  int due = 0;
  // Tasks due at the same time keep the order they were given in.
  while (!delayed_.empty() && delayed_.begin()->first <= clock_) {
    post(std::move(delayed_.begin()->second));
    delayed_.erase(delayed_.begin());
    ++due;
  }
  return due;
}

int HeadlessVeskoHost::run_posted(std::chrono::milliseconds ceiling) {
  {
    std::unique_lock lock(mutex_);
    posted_signal_.wait_for(lock, ceiling, [this] { return !posted_.empty(); });
  }
  return posted_.run_all();
}

std::string HeadlessVeskoHost::BrowseFolder(std::string_view start) {
  folder_dialogs_opened_at.emplace_back(start);
  if (folder_answers.empty()) return "";
  std::string answer = folder_answers.front();
  folder_answers.pop_front();
  return answer;
}

std::optional<ResultMenuItem> HeadlessVeskoHost::popupResultMenu() {
  ++menus_shown;
  if (menu_answers.empty()) return std::nullopt;
  const auto answer = menu_answers.front();
  menu_answers.pop_front();
  return answer;
}

std::optional<std::size_t> HeadlessVeskoHost::popupMenu(const std::vector<std::string>& items) {
  menus.push_back(items);
  if (item_answers.empty()) return std::nullopt;
  const auto answer = item_answers.front();
  item_answers.pop_front();
  return answer;
}

ViewWindow& HeadlessVeskoHost::viewWindow(ViewEvents& events) {
  if (!view) view = std::make_unique<HeadlessViewWindow>(events);
  return *view;
}

HeadlessVeskoHost::~HeadlessVeskoHost() = default;

BrowseWindow& HeadlessVeskoHost::browseWindow(BrowseEvents& events) {
  if (!browse) browse = std::make_unique<HeadlessBrowseWindow>(events);
  return *browse;
}

HeadlessVeskoWindow::HeadlessVeskoWindow(app::VeskoWindowOptions options, std::vector<std::string> places,
                                         std::string default_folder, jobs::VeskoServices services)
    : window(form, std::move(options), std::move(places), std::move(default_folder), std::move(services)) {}

bool HeadlessVeskoWindow::settle(std::chrono::milliseconds ceiling) {
  const auto end = std::chrono::steady_clock::now() + ceiling;
  while (window.session().working() || window.views().working() || window.browse().working()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    host.run_posted(left);
  }
  return true;
}

void HeadlessVeskoWindow::type(std::string_view text) {
  txtQuery.setText(text);
  app::on_change(window, VeskoControlId::txtQuery);
}

}  // namespace korvint::hosts::headless
