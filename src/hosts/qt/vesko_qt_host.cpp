#include "hosts/qt/vesko_qt_host.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include "app/vesko_form_events.h"
#include "hosts/qt/qt_host.h"
#include "hosts/qt/qt_text.h"
#include "hosts/qt/vesko_qt_browse_window.h"
#include "hosts/qt/vesko_qt_view_window.h"
#include "hosts/qt/window_place.h"
#include "hosts/qt/vesko_qt_window.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;

VeskoQtHost::VeskoQtHost(VeskoQtWindow& window) : window_(window) {
  settle_.setSingleShot(true);
  settle_.setInterval(static_cast<int>(kChangesSettle.count()));
  at_latest_.setSingleShot(true);
  at_latest_.setInterval(static_cast<int>(kChangesAtLatest.count()));
  QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, &window_, [this] { changed(); });
  QObject::connect(&watcher_, &QFileSystemWatcher::fileChanged, &window_, [this] { changed(); });
  QObject::connect(&settle_, &QTimer::timeout, &window_, [this] { report_changes(); });
  QObject::connect(&at_latest_, &QTimer::timeout, &window_, [this] { report_changes(); });
}

void VeskoQtHost::watchFolders(const std::vector<std::string>& folders, const std::vector<std::string>& files) {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  QStringList paths;
  for (const std::string& folder : folders) paths << QFile::decodeName(to_bytes(folder));
  // A catalogue written in place changes no folder: its file is watched too.
  for (const std::string& file : files) paths << QFile::decodeName(to_bytes(file));
  if (!paths.isEmpty()) watcher_.addPaths(paths);
  if (folders.empty()) {
    settle_.stop();
    at_latest_.stop();
  }
}

void VeskoQtHost::changed() {
  settle_.start();
  if (!at_latest_.isActive()) at_latest_.start();
}

void VeskoQtHost::report_changes() {
  settle_.stop();
  at_latest_.stop();
  app::on_folders_changed(window_.vesko());
}

void VeskoQtHost::post(std::function<void()> task) {
  // The first task of a batch wakes the window's thread; the queued call is
  // dropped with the window, and the tasks are dropped by dropPosted().
  if (posted_.push(std::move(task)))
    QMetaObject::invokeMethod(&window_, [this] { posted_.run_all(); }, Qt::QueuedConnection);
}

void VeskoQtHost::postAfter(std::chrono::milliseconds delay, std::function<void()> task) {
  // A timer of the window's: it goes with the window.
  QTimer::singleShot(delay, &window_, [this, drops = drops_, task = std::move(task)] {
    if (drops == drops_) task();
  });
}

void VeskoQtHost::dropPosted() {
  posted_.clear();
  ++drops_;
}

void VeskoQtHost::showWindow() { window_.show(); }

void VeskoQtHost::closeWindow() { window_.close(); }

std::string VeskoQtHost::BrowseFolder(std::string_view start) {
  QString from = QFile::decodeName(to_bytes(start));
  if (from.isEmpty() || !QDir(from).exists()) from = QDir::homePath();
  const QString chosen = QFileDialog::getExistingDirectory(&window_, QStringLiteral("Choose the catalogue folder"),
                                                           from, QFileDialog::ShowDirsOnly);
  return chosen_folder_text(chosen);
}

void VeskoQtHost::setClipboardText(std::string_view text) { QGuiApplication::clipboard()->setText(to_qt(text)); }

std::string VeskoQtHost::SaveExportFile(std::string_view suggested) {
  const QString csv = QStringLiteral("CSV, comma-separated (*.csv)");
  const QString tsv = QStringLiteral("Tab-separated (*.tsv)");
  QString chosen_type = csv;
  QString chosen = QFileDialog::getSaveFileName(&window_, QStringLiteral("Export the results"),
                                                QDir::home().filePath(to_qt(suggested)), csv + QStringLiteral(";;") + tsv,
                                                &chosen_type);
  if (chosen.isEmpty()) return "";
  // A name typed without an extension gets the chosen type's.
  if (QFileInfo(chosen).suffix().isEmpty()) chosen += chosen_type == tsv ? QStringLiteral(".tsv") : QStringLiteral(".csv");
  return from_bytes(QFile::encodeName(chosen));
}

std::optional<ResultMenuItem> VeskoQtHost::popupResultMenu() {
  QMenu menu(&window_);
  menu.setObjectName(QStringLiteral("resultMenu"));
  for (const ResultMenuEntry& entry : result_menu()) {
    QAction* action = menu.addAction(to_qt(entry.caption));
    action->setData(static_cast<int>(entry.item));
    action->setObjectName(QStringLiteral("item%1").arg(static_cast<int>(entry.item)));
  }
  const QAction* chosen = menu.exec(menu_at.value_or(QCursor::pos()));
  menu_at.reset();
  if (chosen == nullptr) return std::nullopt;
  return static_cast<ResultMenuItem>(chosen->data().toInt());
}

std::optional<std::size_t> VeskoQtHost::popupMenu(const std::vector<std::string>& items) {
  QMenu menu(&window_);
  menu.setObjectName(QStringLiteral("popupMenu"));
  for (std::size_t i = 0; i < items.size(); ++i) {
    QAction* action = menu.addAction(to_qt(items[i]));
    action->setData(static_cast<int>(i));
    action->setObjectName(QStringLiteral("item%1").arg(i));
  }
  const QAction* chosen = menu.exec(menu_at.value_or(QCursor::pos()));
  menu_at.reset();
  if (chosen == nullptr) return std::nullopt;
  return static_cast<std::size_t>(chosen->data().toInt());
}

ViewWindow& VeskoQtHost::viewWindow(ViewEvents& events) {
  if (!view_) {
    view_ = std::make_unique<VeskoQtViewWindow>(window_, events);
    if (view_rect_) place_on_screen(*view_, *view_rect_);
    if (view_maximized_) view_->setWindowState(view_->windowState() | Qt::WindowMaximized);
  }
  return *view_;
}

std::pair<std::optional<PixelRect>, bool> VeskoQtHost::viewPlace() const {
  if (!view_) return {view_rect_, view_maximized_};
  return {place_of(*view_), view_->isMaximized()};
}

void VeskoQtHost::rememberViewPlace(std::optional<PixelRect> rect, bool maximized) {
  view_rect_ = rect;
  view_maximized_ = maximized;
}

BrowseWindow& VeskoQtHost::browseWindow(BrowseEvents& events) {
  if (!browse_) {
    browse_ = std::make_unique<VeskoQtBrowseWindow>(window_, events);
    browse_->restore(browse_memory_);
  }
  return *browse_;
}

void VeskoQtHost::browsePlace(VeskoWindowMemory& memory) const {
  if (browse_) {
    browse_->remember(memory);
    return;
  }
  memory.browse_rect = browse_memory_.browse_rect;
  memory.browse_maximized = browse_memory_.browse_maximized;
  memory.browse_split = browse_memory_.browse_split;
  memory.browse_folder_widths = browse_memory_.browse_folder_widths;
  memory.browse_file_widths = browse_memory_.browse_file_widths;
}

VeskoQtHost::~VeskoQtHost() = default;

void VeskoQtHost::closeViews() {
  view_.reset();
  browse_.reset();
}

void VeskoQtHost::messageBox(std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, to_qt(kVeskoTitle), to_qt(text), QMessageBox::Ok, &window_);
  box.setTextFormat(Qt::PlainText);
  box.button(QMessageBox::Ok)->setIcon(QIcon());
  box.exec();
}

void VeskoQtHost::showText(std::string_view title, std::string_view text) {
  QDialog dialog(&window_);
  dialog.setObjectName(QStringLiteral("textWindow"));
  dialog.setWindowTitle(to_qt(title));
  auto* view = new QPlainTextEdit(to_qt(text), &dialog);
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The text lines its examples up in columns with spaces.
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(view);
  layout->addWidget(buttons);
  // Wide enough for its longest line, as tall as its lines where the screen allows.
  const QFontMetrics metrics(view->font());
  int widest = 0;
  const QStringList lines = view->toPlainText().split(QLatin1Char('\n'));
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  dialog.resize(widest + 60, static_cast<int>(lines.size() + 4) * metrics.lineSpacing() + 60);
  buttons->button(QDialogButtonBox::Ok)->setFocus();
  dialog.exec();
}

void VeskoQtHost::focusControl(VeskoControlId id) {
  QWidget& widget = window_.control(id);
  widget.setFocus(Qt::ShortcutFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) edit->selectAll();
  if (auto* table = qobject_cast<QTableView*>(&widget)) {
    // Into the results with the arrow keys: the first row becomes current.
    if (!table->currentIndex().isValid() && table->model()->rowCount() > 0)
      table->selectionModel()->setCurrentIndex(table->model()->index(0, 0),
                                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  }
}

}  // namespace korvint::hosts::qt
