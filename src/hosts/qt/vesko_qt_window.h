#pragma once
// Vesko's Qt window: the query box, the catalogue folder and its button, the
// catalogues, the results and the status line, laid out by the shared layout
// table as the window is resized; its events go to app::VeskoWindow.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/vesko_window_start.h"
#include "hosts/qt/qt_controls.h"
#include "hosts/qt/vesko_qt_controls.h"
#include "hosts/qt/vesko_qt_host.h"
#include "ui/window_memory.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableView;

namespace korvint::hosts::qt {
using namespace korvint::ui;

class VeskoQtWindow final : public QWidget {
 public:
  /// Builds the window and its session; `places` and `default_folder` say
  /// where the catalogue folder is looked up (shell::vesko_ini_places()).
  VeskoQtWindow(app::VeskoWindowOptions options, std::vector<std::string> places, std::string default_folder,
                jobs::VeskoServices services = {});
  /// Stops the search first: nothing it posts runs after this.
  ~VeskoQtWindow() override;

  [[nodiscard]] QWidget& control(VeskoControlId id) const;
  /// The window as it stands (place, splitter, columns, sort), for the next start.
  [[nodiscard]] VeskoWindowMemory memory() const;
  /// Puts the window back as `memory` says, never off the screens there are
  /// now; before it is shown.
  void restore(const VeskoWindowMemory& memory);
  [[nodiscard]] app::VeskoWindow& vesko() { return *vesko_; }
  [[nodiscard]] VeskoQtHost& host() { return host_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void lay_out();
  void connect_events();
  [[nodiscard]] std::optional<VeskoControlId> focused_control() const;

  std::vector<QWidget*> widgets_;  // by VeskoControlId; owned by the window
  QSplitter* splitter_ = nullptr;  // holds the two tables
  std::unique_ptr<QtTextBox> query_;
  std::unique_ptr<QtLabel> folder_, status_;
  std::unique_ptr<VeskoQtTable> catalogues_, results_;
  VeskoQtHost host_;
  std::unique_ptr<VeskoForm> form_;
  std::unique_ptr<app::VeskoWindow> vesko_;
};

}  // namespace korvint::hosts::qt
