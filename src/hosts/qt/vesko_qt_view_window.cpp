#include "hosts/qt/vesko_qt_view_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "hosts/qt/qt_text.h"
#include "ui/control_shape.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

/// The status line as a Label: plain text, cut at its end.
class VeskoQtViewWindow::StatusLabel final : public Label {
 public:
  explicit StatusLabel(QLabel& label) : label_(label) {}
  [[nodiscard]] std::string caption() const override { return from_qt(label_.text()); }
  void setCaption(std::string_view caption) override {
    label_.setText(to_qt(caption));
    label_.setToolTip(to_qt(caption));  // the whole line, when the window cuts it
  }

 private:
  QLabel& label_;
};

VeskoQtViewWindow::VeskoQtViewWindow(QWidget& owner, ViewEvents& events)
    : QWidget(&owner, Qt::Window), events_(events) {
  setObjectName(QStringLiteral("viewWindow"));
  layout_ = new QVBoxLayout(this);
  status_label_ = new QLabel(this);
  status_label_->setObjectName(QStringLiteral("lblViewStatus"));
  status_label_->setTextFormat(Qt::PlainText);
  // The label's text never widens the window.
  status_label_->setMinimumWidth(1);
  status_label_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  layout_->addWidget(status_label_);
  status_ = std::make_unique<StatusLabel>(*status_label_);
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  setMinimumSize(twips_to_pixels(kVeskoMinWidthTwips, dpi), twips_to_pixels(3600, dpi));
  resize(twips_to_pixels(13200, dpi), twips_to_pixels(kVeskoClientHeightTwips, dpi));
  auto* copy = new QShortcut(QKeySequence::Copy, this);
  connect(copy, &QShortcut::activated, this, [this] { events_.view_Copy(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] { close(); });
}

VeskoQtViewWindow::~VeskoQtViewWindow() = default;

void VeskoQtViewWindow::make_table(std::span<const VeskoColumn> columns) {
  table_.reset();
  delete view_;
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("lstView"));
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout_->insertWidget(0, view_, 1);
  table_ = std::make_unique<VeskoQtTable>(*view_, columns);
  columns_ = columns;
  connect(view_, &QTableView::doubleClicked, this, [this] { events_.view_Open(); });
  connect(view_, &QTableView::customContextMenuRequested, this, [this](const QPoint& at) {
    const QModelIndex index = view_->indexAt(at);
    if (!index.isValid()) return;
    view_->setCurrentIndex(index);
    events_.view_ContextMenu();
  });
  view_->installEventFilter(this);
}

void VeskoQtViewWindow::showView(std::string_view title, std::span<const VeskoColumn> columns) {
  setWindowTitle(to_qt(title));
  if (view_ == nullptr || columns.data() != columns_.data()) make_table(columns);
  show();
  raise();
  activateWindow();
}

void VeskoQtViewWindow::closeEvent(QCloseEvent* event) {
  events_.view_Closed();
  QWidget::closeEvent(event);
}

bool VeskoQtViewWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      events_.view_Open();
      return true;
    }
    if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && (key->modifiers() & Qt::ShiftModifier))) {
      events_.view_ContextMenu();
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace korvint::hosts::qt
