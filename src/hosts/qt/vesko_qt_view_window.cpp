#include "hosts/qt/vesko_qt_view_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QResizeEvent>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <tuple>

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
  make_options();
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

VeskoQtViewWindow::~VeskoQtViewWindow() {
  // QWidget's destructor closes the window, and the folder box that loses the
  // focus then would call back into this half-destroyed object.
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void VeskoQtViewWindow::make_options() {
  const auto changed = [this] { events_.view_OptionsChange(); };
  duplicate_options_ = new QWidget(this);
  auto* duplicates = new QHBoxLayout(duplicate_options_);
  duplicates->setContentsMargins(0, 0, 0, 0);
  by_ = new QComboBox(duplicate_options_);
  by_->setObjectName(QStringLiteral("cboBy"));
  for (const std::string_view choice : duplicate_key_choices()) by_->addItem(to_qt(choice));
  auto* by_label = new QLabel(QStringLiteral("&By:"), duplicate_options_);
  by_label->setBuddy(by_);
  duplicates->addWidget(by_label);
  duplicates->addWidget(by_);
  duplicates->addStretch(1);
  // The user's choices only: the program's own setting runs nothing.
  connect(by_, &QComboBox::activated, this, changed);

  comparison_options_ = new QWidget(this);
  auto* comparison = new QVBoxLayout(comparison_options_);
  comparison->setContentsMargins(0, 0, 0, 0);
  checks_row_ = new QHBoxLayout;
  folders_row_ = new QHBoxLayout;
  comparison->addLayout(checks_row_);
  comparison->addLayout(folders_row_);
  ignore_date_ = new QCheckBox(QStringLiteral("Ignore &dates"), comparison_options_);
  ignore_date_->setObjectName(QStringLiteral("chkIgnoreDate"));
  all_ = new QCheckBox(QStringLiteral("List every file in &missing folders"), comparison_options_);
  all_->setObjectName(QStringLiteral("chkAll"));
  checks_row_->addWidget(ignore_date_);
  checks_row_->addWidget(all_);
  checks_row_->addStretch(0);  // takes the room the folders leave when they go below
  connect(ignore_date_, &QCheckBox::clicked, this, changed);
  connect(all_, &QCheckBox::clicked, this, changed);
  for (auto [box, label, caption, name] :
       {std::tuple{&folder_a_, &folder_a_label_, "Folder of &A:", "txtFolderA"},
        std::tuple{&folder_b_, &folder_b_label_, "Folder of B:", "txtFolderB"}}) {
    *box = new QLineEdit(comparison_options_);
    (*box)->setObjectName(QString::fromLatin1(name));
    (*box)->setPlaceholderText(QStringLiteral("(the root)"));
    *label = new QLabel(QString::fromLatin1(caption), comparison_options_);
    (*label)->setBuddy(*box);
    checks_row_->insertWidget(checks_row_->count() - 1, *label);
    checks_row_->insertWidget(checks_row_->count() - 1, *box, 1);
    // Enter or leaving the box: the handler ignores a folder left as it was.
    connect(*box, &QLineEdit::editingFinished, this, changed);
  }
  layout_->addWidget(duplicate_options_);
  layout_->addWidget(comparison_options_);
  comparison_options_->hide();
}

void VeskoQtViewWindow::place_folders() {
  // On the check boxes' line while the folder boxes keep a useful width there, else on a line of their own.
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  const int spacing = std::max(0, checks_row_->spacing());
  int fixed = 0;
  for (QWidget* part : std::initializer_list<QWidget*>{ignore_date_, all_, folder_a_label_, folder_b_label_})
    fixed += part->sizeHint().width() + spacing;
  const QMargins margins = layout_->contentsMargins();
  const int room = width() - margins.left() - margins.right() - fixed - 2 * spacing;
  const bool below = room < 2 * twips_to_pixels(1800, dpi);
  if (below == folders_below_) return;
  folders_below_ = below;
  QHBoxLayout* from = below ? checks_row_ : folders_row_;
  QHBoxLayout* to = below ? folders_row_ : checks_row_;
  for (QWidget* part : std::initializer_list<QWidget*>{folder_a_label_, folder_a_, folder_b_label_, folder_b_}) {
    from->removeWidget(part);
    const int stretch = part == folder_a_ || part == folder_b_ ? 1 : 0;
    if (to == checks_row_) to->insertWidget(to->count() - 1, part, stretch);
    else to->addWidget(part, stretch);
  }
  checks_row_->setStretch(checks_row_->count() - 1, below ? 1 : 0);
}

void VeskoQtViewWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  place_folders();
}

void VeskoQtViewWindow::showOptions(const ViewOptions& options) {
  duplicate_options_->setVisible(!options.comparison);
  comparison_options_->setVisible(options.comparison);
  by_->setCurrentIndex(options.by);
  ignore_date_->setChecked(options.ignore_date);
  all_->setChecked(options.all);
  folder_a_->setText(to_qt(options.folder_a));
  folder_b_->setText(to_qt(options.folder_b));
}

ViewOptions VeskoQtViewWindow::options() const {
  ViewOptions options;
  options.comparison = comparison_options_->isVisibleTo(this);
  options.by = std::max(0, by_->currentIndex());
  options.ignore_date = ignore_date_->isChecked();
  options.all = all_->isChecked();
  options.folder_a = from_qt(folder_a_->text().trimmed());
  options.folder_b = from_qt(folder_b_->text().trimmed());
  return options;
}

void VeskoQtViewWindow::make_table(std::span<const VeskoColumn> columns) {
  table_.reset();
  delete view_;
  view_ = new QTableView(this);
  view_->setObjectName(QStringLiteral("lstView"));
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  layout_->insertWidget(2, view_, 1);
  table_ = std::make_unique<VeskoQtTable>(*view_, columns);
  columns_ = columns;
  connect(view_, &QTableView::doubleClicked, this, [this] { events_.view_Open(); });
  connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { events_.view_HeaderClick(column); });
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
