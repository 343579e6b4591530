#include "hosts/qt/vesko_qt_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>

#include "app/query_help.h"
#include "hosts/qt/qt_text.h"

namespace korvint::ui::qt {
namespace {

QWidget* make_widget(const VeskoControlSpec& shape, QWidget& window) {
  switch (shape.kind) {
    case VeskoKind::TextBox: {
      return new QLineEdit(&window);
    }
    case VeskoKind::Label: {
      auto* label = new QLabel(&window);
      label->setTextFormat(Qt::PlainText);  // paths may hold "<" or "&"
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return label;
    }
    case VeskoKind::Button: {
      auto* button = new QPushButton(to_qt(shape.caption), &window);
      button->setAutoDefault(false);
      return button;
    }
    case VeskoKind::Table: return new QTableView(&window);
  }
  return new QWidget(&window);
}

}  // namespace

VeskoQtWindow::VeskoQtWindow(app::VeskoWindowOptions options, std::vector<std::string> places,
                             std::string default_folder, jobs::VeskoServices services)
    : host_(*this) {
  setWindowTitle(to_qt(kVeskoTitle));
  for (const VeskoControlSpec& shape : vesko_controls()) {
    QWidget* widget = make_widget(shape, *this);
    widget->setObjectName(to_qt(shape.name));
    widgets_.push_back(widget);
  }
  auto& query = static_cast<QLineEdit&>(control(VeskoControlId::txtQuery));
  query.setToolTip(to_qt(app::kQueryHelp));
  query.setPlaceholderText(QStringLiteral("Search the catalogues"));
  auto& results = static_cast<QTableView&>(control(VeskoControlId::lstResults));
  results.setSelectionMode(QAbstractItemView::SingleSelection);
  results.setContextMenuPolicy(Qt::CustomContextMenu);
  auto& catalogues = static_cast<QTableView&>(control(VeskoControlId::lstCatalogues));
  catalogues.setSelectionMode(QAbstractItemView::ExtendedSelection);

  query_ = std::make_unique<QtTextBox>(query);
  folder_ = std::make_unique<VeskoQtLabel>(static_cast<QLabel&>(control(VeskoControlId::lblFolder)));
  status_ = std::make_unique<VeskoQtLabel>(static_cast<QLabel&>(control(VeskoControlId::lblStatus)));
  catalogues_ = std::make_unique<VeskoQtTable>(catalogues, catalogue_columns());
  results_ = std::make_unique<VeskoQtTable>(results, result_columns());
  form_ = std::make_unique<VeskoForm>(VeskoForm{*query_, *folder_, *catalogues_, *results_, *status_, host_});
  vesko_ = std::make_unique<app::VeskoWindow>(*form_, std::move(options), std::move(places),
                                              std::move(default_folder), std::move(services));

  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  setMinimumSize(vesko_pixels(kVeskoMinWidthTwips, dpi), vesko_pixels(kVeskoMinHeightTwips, dpi));
  resize(vesko_pixels(kVeskoClientWidthTwips, dpi), vesko_pixels(kVeskoClientHeightTwips, dpi));
  lay_out();
  connect_events();
}

VeskoQtWindow::~VeskoQtWindow() {
  vesko_.reset();
  host_.dropPosted();
}

QWidget& VeskoQtWindow::control(VeskoControlId id) const { return *widgets_.at(static_cast<std::size_t>(id)); }

void VeskoQtWindow::lay_out() {
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  for (const VeskoControlSpec& shape : vesko_controls()) {
    const VeskoRect at = vesko_control_rect(shape, width(), height(), dpi);
    control(shape.id).setGeometry(at.left, at.top, at.width, at.height);
  }
}

void VeskoQtWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  lay_out();
}

void VeskoQtWindow::connect_events() {
  auto& query = static_cast<QLineEdit&>(control(VeskoControlId::txtQuery));
  auto& results = static_cast<QTableView&>(control(VeskoControlId::lstResults));
  auto& catalogues = static_cast<QTableView&>(control(VeskoControlId::lstCatalogues));
  auto& session = vesko_->session();

  // Typing and pasting; not the program's own setText.
  connect(&query, &QLineEdit::textEdited, this, [&session] { session.txtQuery_Change(); });
  connect(catalogues.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, &session] {
    if (!catalogues_->quiet()) session.lstCatalogues_SelectionChange();
  });
  connect(results.horizontalHeader(), &QHeaderView::sectionClicked, this,
          [&session](int column) { session.lstResults_HeaderClick(column); });
  connect(&results, &QTableView::doubleClicked, this, [&session] { session.lstResults_Open(); });
  connect(&results, &QTableView::customContextMenuRequested, this, [this, &results, &session](const QPoint& at) {
    const QModelIndex index = results.indexAt(at);
    if (!index.isValid()) return;
    results.setCurrentIndex(index);
    host_.menu_at.reset();
    session.lstResults_ContextMenu();
  });
  connect(static_cast<QPushButton*>(&control(VeskoControlId::cmdFolder)), &QPushButton::clicked, this,
          [this] { vesko_->cmdFolder_Click(); });

  // Ctrl+F and Alt+D anywhere in the window; Esc anywhere but in a popup.
  for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::ALT | Qt::Key_D)}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this] {
      vesko_->on_key(focused_control().value_or(VeskoControlId::txtQuery), app::VeskoKey::FindQuery);
    });
  }
  // F5 and Ctrl+R read every catalogue again.
  for (const QKeySequence& keys : {QKeySequence(Qt::Key_F5), QKeySequence(Qt::CTRL | Qt::Key_R)}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this] {
      vesko_->on_key(focused_control().value_or(VeskoControlId::txtQuery), app::VeskoKey::Reload);
    });
  }
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, [this] {
    vesko_->on_key(focused_control().value_or(VeskoControlId::txtQuery), app::VeskoKey::Escape);
  });
  query.installEventFilter(this);
  results.installEventFilter(this);
}

std::optional<VeskoControlId> VeskoQtWindow::focused_control() const {
  QWidget* focus = QApplication::focusWidget();
  for (std::size_t i = 0; i < widgets_.size(); ++i) {
    if (focus != nullptr && (focus == widgets_[i] || widgets_[i]->isAncestorOf(focus)))
      return static_cast<VeskoControlId>(i);
  }
  return std::nullopt;
}

bool VeskoQtWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  const auto* key = static_cast<QKeyEvent*>(event);
  const VeskoControlId focus =
      watched == &control(VeskoControlId::txtQuery) ? VeskoControlId::txtQuery : VeskoControlId::lstResults;
  std::optional<app::VeskoKey> vesko_key;
  switch (key->key()) {
    case Qt::Key_Down:
      if (focus == VeskoControlId::txtQuery) vesko_key = app::VeskoKey::Down;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter: vesko_key = app::VeskoKey::Enter; break;
    case Qt::Key_Menu: vesko_key = app::VeskoKey::ContextMenu; break;
    case Qt::Key_F10:
      if (key->modifiers() & Qt::ShiftModifier) vesko_key = app::VeskoKey::ContextMenu;
      break;
    default: break;
  }
  if (!vesko_key) return QWidget::eventFilter(watched, event);
  if (*vesko_key == app::VeskoKey::ContextMenu) {
    auto& results = static_cast<QTableView&>(control(VeskoControlId::lstResults));
    const QRect row = results.visualRect(results.currentIndex());
    host_.menu_at = results.viewport()->mapToGlobal(row.bottomLeft());
  }
  return vesko_->on_key(focus, *vesko_key);
}

}  // namespace korvint::ui::qt
