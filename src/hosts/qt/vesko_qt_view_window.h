#pragma once
// Vesko's view window over Qt: a window of its own beside the main one, with
// one table (its columns those of the view shown) and a status line; its
// events go to the views' handlers.

#include <QWidget>
#include <memory>
#include <span>

#include "hosts/qt/vesko_qt_controls.h"
#include "ui/vesko_views.h"

class QLabel;
class QTableView;
class QVBoxLayout;

namespace korvint::hosts::qt {
using namespace korvint::ui;

class VeskoQtViewWindow final : public QWidget, public ViewWindow {
 public:
  /// A top-level window kept above `owner`, its events going to `events`.
  VeskoQtViewWindow(QWidget& owner, ViewEvents& events);
  ~VeskoQtViewWindow() override;

  TableView& lstView() override { return *table_; }
  Label& lblViewStatus() override { return *status_; }
  void showView(std::string_view title, std::span<const VeskoColumn> columns) override;

  [[nodiscard]] QTableView& view() const { return *view_; }
  [[nodiscard]] QLabel& status() const { return *status_label_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A new table with `columns` in place of the one shown.
  void make_table(std::span<const VeskoColumn> columns);

  class StatusLabel;
  ViewEvents& events_;
  QVBoxLayout* layout_ = nullptr;
  QTableView* view_ = nullptr;
  QLabel* status_label_ = nullptr;
  std::unique_ptr<VeskoQtTable> table_;
  std::unique_ptr<Label> status_;
  std::span<const VeskoColumn> columns_;
};

}  // namespace korvint::hosts::qt
