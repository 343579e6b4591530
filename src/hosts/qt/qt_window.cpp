#include "hosts/qt/qt_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFontMetricsF>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "jobs/scan_all.h"
#include "jobs/scan_job.h"
#include "shell/folder_menu_entry.h"
#include "ui/form_layout.h"
#include "hosts/qt/qt_text.h"
#include "hosts/qt/wrapping_button.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

// The window's own font, which the controls without one of their own use.
constexpr ControlFont kWindowFont{"MS Sans Serif", 8.25, 400};

QWidget* make_widget(const FormControlShape& shape, QWidget& window) {
  const QString caption = to_qt(shape.caption);
  switch (shape.kind) {
    case ControlKind::CommandButton: {
      auto* button = new WrappingButton(caption, &window);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::TextBox: return new QLineEdit(caption, &window);
    case ControlKind::ListBox: {
      auto* list = new QListWidget(&window);
      list->setSelectionMode(QAbstractItemView::SingleSelection);
      return list;
    }
    case ControlKind::DriveListBox: return new QComboBox(&window);
    case ControlKind::Label: {
      // Plain text: a caption may hold a path with "<" or "&" in it.
      auto* label = new QLabel(caption, &window);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      return label;
    }
    case ControlKind::Line: {
      auto* line = new QFrame(&window);
      line->setFrameShape(QFrame::VLine);
      line->setFrameShadow(QFrame::Sunken);
      return line;
    }
    case ControlKind::Table: break;  // Vesko's window has tables, this one none
  }
  return new QWidget(&window);
}

void place(QWidget& widget, const FormControlShape& shape, int dpi, double scale) {
  const PixelRect at = control_pixel_rect(shape, dpi, dpi, scale);
  widget.setGeometry(at.left, at.top, at.width, at.height);
}

// The twips were drawn for MS Sans Serif 8 at 96 dots per inch, whose letters
// average 6 pixels across (its dialog base unit).
constexpr double kDesignLetterWidthAt96 = 6.0;

// How much wider than the design font the window's font writes, at `dpi`.
double letter_width_ratio(const QFont& font, int dpi) {
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double letter = QFontMetricsF(font).horizontalAdvance(alphabet) / alphabet.size();
  return letter / (kDesignLetterWidthAt96 * dpi / 96.0);
}

// True when every text `shape` shows fits inside its widget.
bool texts_fit(QWidget& widget, const FormControlShape& shape) {
  for (const std::string& text : texts_to_fit(shape.id)) {
    if (shape.kind == ControlKind::CommandButton) {
      if (!static_cast<WrappingButton&>(widget).caption_fits(to_qt(text))) return false;
    } else if (shape.kind == ControlKind::Label) {
      const QFontMetrics metrics(widget.font());
      const QRect room = static_cast<QLabel&>(widget).contentsRect();
      if (metrics.horizontalAdvance(to_qt(text)) > room.width() || metrics.height() > room.height()) return false;
    }
  }
  return true;
}

}  // namespace

int screen_dpi() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return 96;
  const int dpi = qRound(screen->logicalDotsPerInch());
  return dpi > 0 ? dpi : 96;
}

QFont control_font(const ControlFont& font) {
  QFont qt_font;
  // The layout was drawn for MS Sans Serif; where it is missing, faces of the
  // same narrow build keep the captions inside their buttons.
  qt_font.setFamilies({to_qt(font.face), QStringLiteral("Microsoft Sans Serif"),
                       QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                       QStringLiteral("Arimo"), QStringLiteral("Helvetica"),
                       QStringLiteral("Nimbus Sans")});
  qt_font.setStyleHint(QFont::SansSerif);
  qt_font.setPointSizeF(font.points);
  qt_font.setWeight(static_cast<QFont::Weight>(font.weight));
  return qt_font;
}

std::vector<std::string> texts_to_fit(ControlId id) {
  const FormControlShape& shape = control_shape(id);
  if (!shape.shown || (shape.kind != ControlKind::CommandButton && shape.kind != ControlKind::Label)) return {};
  // The status labels never show their caption from the table, but these.
  const std::string long_time = "86400";
  if (id == ControlId::Label1) {
    return {jobs::kFilesRunning, jobs::kSecondsItTook + long_time, jobs::kTotalSecondsItTook + long_time,
            jobs::kScanFailed, shell::kMenuEntryFailed};
  }
  if (id == ControlId::Label2) {
    return {jobs::kLessThan500, jobs::kStopped, jobs::kManyFiles, "1000000" + std::string(jobs::kFilesFound)};
  }
  return {std::string(shape.caption)};
}

FormWindow::FormWindow(int dpi, double scale) {
  if (dpi <= 0) dpi = screen_dpi();
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(to_qt(kFormCaption));
  setFont(control_font(kWindowFont));

  const auto table = form_controls();
  controls_.assign(table.size(), nullptr);
  for (const FormControlShape& shape : table) {
    QWidget* widget = make_widget(shape, *this);
    widget->setObjectName(to_qt(shape.name));
    if (shape.font) widget->setFont(control_font(*shape.font));
    widget->setToolTip(to_qt(tooltip_text(shape, shape.caption)));
    if (!shape.shown) widget->hide();
    if (!takes_mouse_events(shape)) widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    controls_.at(static_cast<std::size_t>(shape.id)) = widget;
  }
  scale_ = scale > 0 ? scale : fitting_scale(dpi);
  lay_out(dpi, scale_);

  // Where two controls overlap the earlier in the table lies on top: raise from
  // the last to the first.
  for (auto shape = table.rbegin(); shape != table.rend(); ++shape) control(shape->id).raise();

  // Tab order by tab index, among the controls that take the focus.
  std::vector<QWidget*> tab_chain;
  for (const ControlId id : tab_order()) {
    if (control(id).focusPolicy() & Qt::TabFocus) tab_chain.push_back(&control(id));
  }
  for (std::size_t i = 1; i < tab_chain.size(); ++i) QWidget::setTabOrder(tab_chain[i - 1], tab_chain[i]);
  // The window opens with the focus on the first control of the tab order.
  if (!tab_chain.empty()) tab_chain.front()->setFocus();
}

void FormWindow::lay_out(int dpi, double scale) {
  const PixelRect client = client_pixel_rect(dpi, dpi, scale);
  setFixedSize(client.width, client.height);
  for (const FormControlShape& shape : form_controls()) place(control(shape.id), shape, dpi, scale);
}

double FormWindow::fitting_scale(int dpi) {
  // A font wider than the design's scales the whole layout by as much, and
  // further in small steps while a caption still would not fit: every caption
  // fits its control and the proportions stay.
  double scale = std::max(1.0, letter_width_ratio(font(), dpi));
  for (int step = 0; step < 40; ++step) {
    lay_out(dpi, scale);
    bool fit = true;
    for (const FormControlShape& shape : form_controls()) fit = fit && texts_fit(control(shape.id), shape);
    if (fit) break;
    scale *= 1.02;
  }
  return scale;
}

QWidget& FormWindow::control(ControlId id) const { return *controls_.at(static_cast<std::size_t>(id)); }

void FormWindow::closeEvent(QCloseEvent* event) {
  if (on_close_request && !on_close_request()) {
    event->ignore();
    return;
  }
  event->accept();
}

void FormWindow::mousePressEvent(QMouseEvent* event) {
  // Presses on labels reach the window too, but only the bare surface counts;
  // the line lets the mouse through and childAt passes over it.
  if (childAt(event->position().toPoint()) == nullptr) surface_presses_ |= event->button();
  event->accept();
}

void FormWindow::mouseReleaseEvent(QMouseEvent* event) {
  const bool on_surface = surface_presses_.testFlag(event->button());
  surface_presses_ &= ~Qt::MouseButtons(event->button());
  event->accept();
  if (on_surface && on_surface_mouse_up) on_surface_mouse_up(event->button());
}

}  // namespace korvint::hosts::qt
