#pragma once
// Vesko's view window over Qt: a window of its own beside the main one, with
// a row of the view's options, one table (its columns those of the view
// shown, sorted by a header click) and a status line; its events go to the
// views' handlers.

#include <QWidget>
#include <memory>
#include <span>

#include "hosts/qt/vesko_qt_controls.h"
#include "ui/vesko_views.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;
class QHBoxLayout;
class QVBoxLayout;
class QWidget;

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
  void showOptions(const ViewOptions& options) override;
  [[nodiscard]] ViewOptions options() const override;

  [[nodiscard]] QTableView& view() const { return *view_; }
  [[nodiscard]] QLabel& status() const { return *status_label_; }
  [[nodiscard]] QComboBox& by() const { return *by_; }
  [[nodiscard]] QCheckBox& ignoreDate() const { return *ignore_date_; }
  [[nodiscard]] QCheckBox& all() const { return *all_; }
  [[nodiscard]] QLineEdit& folderA() const { return *folder_a_; }
  [[nodiscard]] QLineEdit& folderB() const { return *folder_b_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // A new table with `columns` in place of the one shown.
  void make_table(std::span<const VeskoColumn> columns);
  // The row of options above the table: the duplicates' and the comparison's, one shown at a time.
  void make_options();
  // The folder boxes on the check boxes' line, or below it when the window is too narrow for them there.
  void place_folders();

  class StatusLabel;
  ViewEvents& events_;
  QVBoxLayout* layout_ = nullptr;
  QTableView* view_ = nullptr;
  QLabel* status_label_ = nullptr;
  QWidget* duplicate_options_ = nullptr;
  QWidget* comparison_options_ = nullptr;
  QComboBox* by_ = nullptr;
  QCheckBox* ignore_date_ = nullptr;
  QCheckBox* all_ = nullptr;
  QLineEdit* folder_a_ = nullptr;
  QLineEdit* folder_b_ = nullptr;
  QLabel* folder_a_label_ = nullptr;
  QLabel* folder_b_label_ = nullptr;
  QHBoxLayout* checks_row_ = nullptr;   ///< the comparison's check boxes (and the folders when they fit)
  QHBoxLayout* folders_row_ = nullptr;  ///< the folders, when the window is narrow
  bool folders_below_ = false;
  std::unique_ptr<VeskoQtTable> table_;
  std::unique_ptr<Label> status_;
  std::span<const VeskoColumn> columns_;
};

}  // namespace korvint::hosts::qt
