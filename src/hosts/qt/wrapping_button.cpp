#include "hosts/qt/wrapping_button.h"

#include <QStyleOptionButton>
#include <QStylePainter>

namespace korvint::hosts::qt {

namespace {

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic;

}  // namespace

QRect WrappingButton::caption_area() const {
  QStyleOptionButton option;
  initStyleOption(&option);
  return style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
}

bool WrappingButton::caption_fits(const QString& caption) const {
  const QRect area = caption_area();
  const QRect needed = fontMetrics().boundingRect(area, kCaptionFlags, caption);
  return needed.width() <= area.width() && needed.height() <= area.height();
}

void WrappingButton::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  const QString caption = option.text;
  // The style draws the button without its caption; the caption follows, wrapped.
  option.text.clear();
  painter.drawControl(QStyle::CE_PushButton, option);

  QRect area = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
    area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                   style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  }
  int flags = kCaptionFlags;
  if (!style()->styleHint(QStyle::SH_UnderlineShortcut, &option, this)) flags |= Qt::TextHideMnemonic;
  style()->drawItemText(&painter, area, flags, option.palette, isEnabled(), caption,
                        QPalette::ButtonText);
}

}  // namespace korvint::hosts::qt
