#include "hosts/qt/qt_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QScreen>
#include <algorithm>
#include <cstdlib>

#include "ui/form_layout.h"
#include "hosts/qt/qt_text.h"
#include "hosts/qt/wrapping_button.h"

namespace korvint::ui::qt {
namespace {

// The window's own font, which the controls without one of their own use.
constexpr ControlFont kWindowFont{"MS Sans Serif", 8.25, 400};

QWidget* make_widget(const ControlSpec& shape, QWidget& window) {
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
  }
  return new QWidget(&window);
}

void place(QWidget& widget, const ControlSpec& shape, int dpi) {
  auto px = [dpi](int twips) { return twips_to_pixels(twips, dpi); };
  if (shape.kind == ControlKind::Line) {
    // A line runs from (left, top) to (width, height); this one is vertical, 2 px wide.
    const int x = std::min(px(shape.left), px(shape.width));
    const int y = std::min(px(shape.top), px(shape.height));
    widget.setGeometry(x, y, 2, std::abs(px(shape.height) - px(shape.top)));
    return;
  }
  widget.setGeometry(px(shape.left), px(shape.top), px(shape.width), px(shape.height));
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

FormWindow::FormWindow(int dpi) {
  if (dpi <= 0) dpi = screen_dpi();
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setWindowTitle(to_qt(kFormCaption));
  setFixedSize(twips_to_pixels(kClientWidthTwips, dpi), twips_to_pixels(kClientHeightTwips, dpi));
  setFont(control_font(kWindowFont));

  const auto table = form_controls();
  controls_.assign(table.size(), nullptr);
  for (const ControlSpec& shape : table) {
    QWidget* widget = make_widget(shape, *this);
    widget->setObjectName(to_qt(shape.name));
    place(*widget, shape, dpi);
    if (shape.font) widget->setFont(control_font(*shape.font));
    if (!shape.tooltip.empty()) widget->setToolTip(to_qt(shape.tooltip));
    if (!shape.shown) widget->hide();
    controls_.at(static_cast<std::size_t>(shape.id)) = widget;
  }

  // Where two controls overlap the earlier in the table lies on top: raise from
  // the last to the first.
  for (auto shape = table.rbegin(); shape != table.rend(); ++shape) control(shape->id).raise();

  // Tab order by tab index, among the controls that take the focus.
  std::vector<const ControlSpec*> tab_chain;
  for (const ControlSpec& shape : table) {
    if (shape.tab_index >= 0 && (control(shape.id).focusPolicy() & Qt::TabFocus)) tab_chain.push_back(&shape);
  }
  std::sort(tab_chain.begin(), tab_chain.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_index < b->tab_index; });
  for (std::size_t i = 1; i < tab_chain.size(); ++i) {
    QWidget::setTabOrder(&control(tab_chain[i - 1]->id), &control(tab_chain[i]->id));
  }
  // The window opens with the focus on the first control of the tab order.
  if (!tab_chain.empty()) control(tab_chain.front()->id).setFocus();
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
  // Presses on labels and the line reach the window too; only the bare surface counts.
  if (childAt(event->position().toPoint()) == nullptr) surface_presses_ |= event->button();
  event->accept();
}

void FormWindow::mouseReleaseEvent(QMouseEvent* event) {
  const bool on_surface = surface_presses_.testFlag(event->button());
  surface_presses_ &= ~Qt::MouseButtons(event->button());
  event->accept();
  if (on_surface && on_surface_mouse_up) on_surface_mouse_up(event->button());
}

}  // namespace korvint::ui::qt
