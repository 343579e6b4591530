#include "hosts/qt/vesko_qt_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QTableView>
#include <tuple>
#include <utility>

#include "app/query_help.h"
#include "app/vesko_form_events.h"
#include "hosts/qt/qt_text.h"
#include "hosts/qt/window_place.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

QWidget* make_widget(const VeskoControlShape& shape, QWidget& window) {
  switch (shape.kind) {
    case ControlKind::TextBox: return new QLineEdit(&window);
    case ControlKind::Label: {
      auto* label = new QLabel(&window);
      label->setTextFormat(Qt::PlainText);  // paths may hold "<" or "&"
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      return label;
    }
    case ControlKind::CommandButton: {
      auto* button = new QPushButton(to_qt(shape.caption), &window);
      button->setAutoDefault(false);
      button->setToolTip(to_qt(shape.tooltip));
      return button;
    }
    case ControlKind::Table: return new QTableView(&window);
    default: break;
  }
  return new QWidget(&window);
}

}  // namespace

VeskoQtWindow::VeskoQtWindow(app::VeskoWindowOptions options, std::vector<std::string> places,
                             std::string default_folder, jobs::VeskoServices services)
    : host_(*this) {
  setWindowTitle(to_qt(kVeskoTitle));
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  // The two tables share the space below the folder, the splitter between them.
  splitter_ = new QSplitter(Qt::Vertical, this);
  splitter_->setObjectName(QStringLiteral("splitter"));
  splitter_->setChildrenCollapsible(false);
  splitter_->setHandleWidth(twips_to_pixels(kVeskoSplitterTwips, dpi));
  for (const VeskoControlShape& shape : vesko_controls()) {
    QWidget* widget = make_widget(shape, shape.kind == ControlKind::Table ? static_cast<QWidget&>(*splitter_) : *this);
    widget->setObjectName(to_qt(shape.name));
    if (shape.kind == ControlKind::Table) splitter_->addWidget(widget);
    widgets_.push_back(widget);
  }
  auto& query = static_cast<QLineEdit&>(control(VeskoControlId::txtQuery));
  query.setToolTip(to_qt(app::kQueryTooltip));
  query.setPlaceholderText(QStringLiteral("Search the catalogues"));
  auto& results = static_cast<QTableView&>(control(VeskoControlId::lstResults));
  results.setSelectionMode(QAbstractItemView::ExtendedSelection);
  results.setContextMenuPolicy(Qt::CustomContextMenu);
  auto& catalogues = static_cast<QTableView&>(control(VeskoControlId::lstCatalogues));
  catalogues.setSelectionMode(QAbstractItemView::ExtendedSelection);
  catalogues.setContextMenuPolicy(Qt::CustomContextMenu);
  catalogues.setMinimumHeight(twips_to_pixels(kVeskoMinCataloguesTwips, dpi));
  results.setMinimumHeight(twips_to_pixels(kVeskoMinResultsTwips, dpi));
  // A taller window gives its height to the results; the catalogues keep theirs.
  splitter_->setStretchFactor(0, 0);
  splitter_->setStretchFactor(1, 1);

  query_ = std::make_unique<QtTextBox>(query);
  folder_ = std::make_unique<QtLabel>(static_cast<QLabel&>(control(VeskoControlId::lblFolder)),
                                     vesko_control(VeskoControlId::lblFolder));
  status_ = std::make_unique<QtLabel>(static_cast<QLabel&>(control(VeskoControlId::lblStatus)),
                                     vesko_control(VeskoControlId::lblStatus));
  catalogues_ = std::make_unique<VeskoQtTable>(catalogues, catalogue_columns());
  results_ = std::make_unique<VeskoQtTable>(results, result_columns());
  form_ = std::make_unique<VeskoForm>(VeskoForm{*query_, *folder_, *catalogues_, *results_, *status_, host_});
  vesko_ = std::make_unique<app::VeskoWindow>(*form_, std::move(options), std::move(places),
                                              std::move(default_folder), std::move(services));

  setMinimumSize(twips_to_pixels(kVeskoMinWidthTwips, dpi), twips_to_pixels(kVeskoMinHeightTwips, dpi));
  // Until restore() puts it where it was left.
  place_first(*this, twips_to_pixels(kVeskoFirstWidthTwips, dpi), twips_to_pixels(kVeskoFirstHeightTwips, dpi),
              twips_to_pixels(kFirstPlaceMarginTwips, dpi));
  lay_out();
  const auto drawn = vesko_pixel_layout(dpi, width(), height());
  splitter_->setSizes({drawn[static_cast<std::size_t>(VeskoControlId::lstCatalogues)].height,
                       drawn[static_cast<std::size_t>(VeskoControlId::lstResults)].height});
  connect_events();
}

VeskoQtWindow::~VeskoQtWindow() {
  host_.closeViews();
  vesko_.reset();
  host_.dropPosted();
}

QWidget& VeskoQtWindow::control(VeskoControlId id) const { return *widgets_.at(static_cast<std::size_t>(id)); }

void VeskoQtWindow::lay_out() {
  const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  const auto at = vesko_pixel_layout(dpi, width(), height());
  for (const VeskoControlShape& shape : vesko_controls()) {
    if (shape.kind == ControlKind::Table) continue;  // the splitter places them
    const PixelRect& place = at[static_cast<std::size_t>(shape.id)];
    control(shape.id).setGeometry(place.left, place.top, place.width, place.height);
  }
  const PixelRect& top = at[static_cast<std::size_t>(VeskoControlId::lstCatalogues)];
  const PixelRect& bottom = at[static_cast<std::size_t>(VeskoControlId::lstResults)];
  splitter_->setGeometry(top.left, top.top, top.width, bottom.top + bottom.height - top.top);
}

VeskoWindowMemory VeskoQtWindow::memory() const {
  VeskoWindowMemory memory;
  memory.dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
  if (const PixelRect place = place_of(*this); place.width > 0 && place.height > 0) memory.rect = place;
  memory.maximized = isMaximized();
  memory.split = splitter_->sizes().value(0);
  // Only the widths the user gave: the others fit their texts at the next start too.
  memory.result_widths = results_->user_widths();
  memory.catalogue_widths = catalogues_->user_widths();
  if (const auto sort = vesko_->session().results_sort()) {
    memory.sort_column = sort->first;
    memory.sort_descending = sort->second;
  }
  if (const auto sort = vesko_->session().catalogue_sort()) {
    memory.catalogue_sort_column = sort->first;
    memory.catalogue_sort_descending = sort->second;
  }
  std::tie(memory.view_rect, memory.view_maximized) = host_.viewPlace();
  host_.browsePlace(memory);
  std::tie(memory.folder_sort_column, memory.folder_sort_descending) = vesko_->browse().folder_sort();
  std::tie(memory.file_sort_column, memory.file_sort_descending) = vesko_->browse().file_sort();
  return memory;
}

void VeskoQtWindow::restore(const VeskoWindowMemory& remembered) {
  const VeskoWindowMemory memory = at_dpi(remembered, logicalDpiX() > 0 ? logicalDpiX() : 96);
  if (memory.rect) place_on_screen(*this, *memory.rect);
  if (memory.maximized) setWindowState(windowState() | Qt::WindowMaximized);
  results_->restore_user_widths(memory.result_widths);
  catalogues_->restore_user_widths(memory.catalogue_widths);
  if (memory.split) {
    const int both = splitter_->sizes().value(0) + splitter_->sizes().value(1);
    splitter_->setSizes({*memory.split, std::max(0, both - *memory.split)});
  }
  if (memory.sort_column) vesko_->session().restore_sort(*memory.sort_column, memory.sort_descending);
  if (memory.catalogue_sort_column)
    vesko_->session().restore_catalogue_sort(*memory.catalogue_sort_column, memory.catalogue_sort_descending);
  host_.rememberViewPlace(memory.view_rect, memory.view_maximized);
  host_.rememberBrowse(memory);
  vesko_->browse().restore_sort(memory.folder_sort_column, memory.folder_sort_descending, memory.file_sort_column,
                                memory.file_sort_descending);
}

void VeskoQtWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  lay_out();
}

void VeskoQtWindow::connect_events() {
  using enum VeskoControlId;
  auto& query = static_cast<QLineEdit&>(control(txtQuery));
  auto& results = static_cast<QTableView&>(control(lstResults));
  auto& catalogues = static_cast<QTableView&>(control(lstCatalogues));
  app::VeskoWindow& vesko = *vesko_;

  // Typing and pasting; not the program's own setText.
  connect(&query, &QLineEdit::textEdited, this, [&vesko] { app::on_change(vesko, txtQuery); });
  connect(catalogues.selectionModel(), &QItemSelectionModel::selectionChanged, this, [this, &vesko] {
    if (!catalogues_->quiet()) app::on_selection_change(vesko, lstCatalogues);
  });
  connect(results.horizontalHeader(), &QHeaderView::sectionClicked, this,
          [&vesko](int column) { app::on_header_click(vesko, lstResults, column); });
  connect(catalogues.horizontalHeader(), &QHeaderView::sectionClicked, this,
          [&vesko](int column) { app::on_header_click(vesko, lstCatalogues, column); });
  connect(&results, &QTableView::doubleClicked, this, [&vesko] { app::on_double_click(vesko, lstResults); });
  connect(&catalogues, &QTableView::doubleClicked, this, [&vesko] { app::on_double_click(vesko, lstCatalogues); });
  connect(&results, &QTableView::customContextMenuRequested, this, [this, &results, &vesko](const QPoint& at) {
    const QModelIndex index = results.indexAt(at);
    if (!index.isValid()) return;
    results.setCurrentIndex(index);
    host_.menu_at.reset();
    app::on_context_menu(vesko, lstResults);
  });
  // The catalogues' menu: duplicates, and comparing two catalogues.
  connect(&catalogues, &QTableView::customContextMenuRequested, this, [this, &catalogues, &vesko](const QPoint& at) {
    const QModelIndex index = catalogues.indexAt(at);
    if (index.isValid()) catalogues.selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    host_.menu_at.reset();
    app::on_context_menu(vesko, lstCatalogues);
  });
  connect(static_cast<QPushButton*>(&control(cmdFolder)), &QPushButton::clicked, this,
          [&vesko] { app::on_click(vesko, cmdFolder); });
  connect(static_cast<QPushButton*>(&control(cmdHelp)), &QPushButton::clicked, this,
          [&vesko] { app::on_click(vesko, cmdHelp); });

  // Ctrl+F and Alt+D anywhere in the window; F5 and Ctrl+R read every
  // catalogue again; Esc anywhere but in a popup.
  const std::pair<QKeySequence, app::VeskoKey> shortcuts[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_F), app::VeskoKey::FindQuery},
      {QKeySequence(Qt::ALT | Qt::Key_D), app::VeskoKey::FindQuery},
      {QKeySequence(Qt::Key_F5), app::VeskoKey::Reload},
      {QKeySequence(Qt::CTRL | Qt::Key_R), app::VeskoKey::Reload},
      {QKeySequence(Qt::Key_Escape), app::VeskoKey::Escape},
      {QKeySequence(Qt::Key_F1), app::VeskoKey::Help},
      {QKeySequence(Qt::CTRL | Qt::Key_D), app::VeskoKey::Duplicates},
  };
  for (const auto& [keys, key] : shortcuts) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this,
            [this, key] { app::on_key(*vesko_, focused_control().value_or(txtQuery), key); });
  }
  query.installEventFilter(this);
  results.installEventFilter(this);
  catalogues.installEventFilter(this);
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
  const VeskoControlId focus = watched == &control(VeskoControlId::txtQuery)       ? VeskoControlId::txtQuery
                              : watched == &control(VeskoControlId::lstCatalogues) ? VeskoControlId::lstCatalogues
                                                                                     : VeskoControlId::lstResults;
  std::optional<app::VeskoKey> vesko_key;
  if (key->matches(QKeySequence::Copy)) vesko_key = app::VeskoKey::Copy;
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
    // Under the current row of the table the key was pressed in.
    auto& table = static_cast<QTableView&>(
        control(focus == VeskoControlId::lstCatalogues ? VeskoControlId::lstCatalogues : VeskoControlId::lstResults));
    const QRect row = table.visualRect(table.currentIndex());
    host_.menu_at = table.viewport()->mapToGlobal(row.bottomLeft());
  }
  return app::on_key(*vesko_, focus, *vesko_key);
}

}  // namespace korvint::hosts::qt
