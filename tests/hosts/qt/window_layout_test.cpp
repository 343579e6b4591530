// The window as the layout table describes it: every control by name, with
// its class, caption, place, font, tooltip, stacking and tab order.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include "ui/form_layout.h"
#include "hosts/qt/qt_form.h"
#include "hosts/qt/wrapping_button.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

const std::vector<std::string> kDrives{"/", "/mnt/data"};

QWidget* child(QtForm& window, std::string_view name) {
  return window.window.findChild<QWidget*>(QString::fromUtf8(name.data(), qsizetype(name.size())));
}

QString shown_text(QWidget& widget) {
  if (auto* button = qobject_cast<QPushButton*>(&widget)) return button->text();
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) return edit->text();
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
  return {};
}

bool has_kind(QWidget& widget, ControlKind kind) {
  switch (kind) {
    case ControlKind::CommandButton: return qobject_cast<QPushButton*>(&widget) != nullptr;
    case ControlKind::TextBox: return qobject_cast<QLineEdit*>(&widget) != nullptr;
    case ControlKind::ListBox: return qobject_cast<QListWidget*>(&widget) != nullptr;
    case ControlKind::DriveListBox: return qobject_cast<QComboBox*>(&widget) != nullptr;
    case ControlKind::Label: return qobject_cast<QLabel*>(&widget) != nullptr;
    case ControlKind::Line: {
      auto* frame = qobject_cast<QFrame*>(&widget);
      return frame != nullptr && frame->frameShape() == QFrame::VLine;
    }
    case ControlKind::Table: break;
  }
  return false;
}

TEST(QtWindowLayout, EveryControlIsThereByNameWithItsClassCaptionAndPlace) {
  QtForm window({}, kDrives, 96, 1.0);  // the table's twips as they are
  EXPECT_EQ(window.window.windowTitle(), "KorvintVB");
  for (const FormControlShape& shape : form_controls()) {
    SCOPED_TRACE(std::string(shape.name));
    QWidget* widget = child(window, shape.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget, &window.window.control(shape.id));
    EXPECT_TRUE(has_kind(*widget, shape.kind));
    EXPECT_EQ(shown_text(*widget), QString::fromUtf8(shape.caption.data(), qsizetype(shape.caption.size())));
    EXPECT_EQ(widget->isHidden(), !shape.shown);
    if (shape.kind != ControlKind::Line) {
      EXPECT_EQ(widget->geometry(), QRect(twips_to_pixels(shape.left, 96), twips_to_pixels(shape.top, 96),
                                          twips_to_pixels(shape.width, 96), twips_to_pixels(shape.height, 96)));
    }
  }
  // A few places worked out by hand, and the line from (3960, 120) to (3960, 3000) twips.
  EXPECT_EQ(window.window.control(ControlId::Command1).geometry(), QRect(4, 8, 65, 41));
  EXPECT_EQ(window.window.control(ControlId::List1).geometry(), QRect(272, 59, 209, 108));
  EXPECT_EQ(window.window.control(ControlId::Command4).geometry(), QRect(312, 32, 169, 21));
  EXPECT_EQ(window.window.control(ControlId::Line1).geometry(), QRect(264, 8, 2, 192));
}

TEST(QtWindowLayout, TheWindowHasAFixedSizeForTheDpi) {
  QtForm at96({}, kDrives, 96, 1.0);
  EXPECT_EQ(at96.window.minimumSize(), QSize(488, 206));
  EXPECT_EQ(at96.window.maximumSize(), QSize(488, 206));
  QtForm at192({}, kDrives, 192, 1.0);
  EXPECT_EQ(at192.window.maximumSize(), QSize(976, 412));
  EXPECT_EQ(at192.window.control(ControlId::Command1).geometry(), QRect(8, 16, 130, 82));
}

// The twips were drawn for the Windows font; the Linux fonts are wider. The
// window scales its whole layout until every text it shows fits, measured
// here with the toolkit's own metrics of each control's font.
TEST(QtWindowLayout, EveryCaptionFitsItsControlAndTheProportionsStay) {
  for (int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    QtForm window({}, kDrives, dpi);
    const double scale = window.window.layout_scale();
    EXPECT_GE(scale, 1.0);
    const PixelRect client = client_pixel_rect(dpi, dpi, scale);
    EXPECT_EQ(window.window.size(), QSize(client.width, client.height));
    for (const FormControlShape& shape : form_controls()) {
      SCOPED_TRACE(std::string(shape.name));
      QWidget& widget = window.window.control(shape.id);
      const PixelRect at = control_pixel_rect(shape, dpi, dpi, scale);
      EXPECT_EQ(widget.geometry(), QRect(at.left, at.top, at.width, at.height));
      const QFontMetrics metrics(widget.font());
      for (const std::string& text : texts_to_fit(shape.id)) {
        SCOPED_TRACE(text);
        const QString shown = QString::fromStdString(text);
        if (auto* button = dynamic_cast<WrappingButton*>(&widget)) {
          // Wrapped at spaces as the button draws it: every line inside.
          const QRect area = button->caption_area();
          const QRect needed = metrics.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic, shown);
          EXPECT_LE(needed.width(), area.width());
          EXPECT_LE(needed.height(), area.height());
          EXPECT_TRUE(area.contains(needed)) << needed.x() << "," << needed.y();
        } else {
          auto* label = qobject_cast<QLabel*>(&widget);
          ASSERT_NE(label, nullptr);
          EXPECT_LE(metrics.horizontalAdvance(shown), label->contentsRect().width());
          EXPECT_LE(metrics.height(), label->contentsRect().height());
        }
      }
    }
    for (ControlId id : {ControlId::Command3, ControlId::Command4, ControlId::Label3, ControlId::Label2}) {
      EXPECT_FALSE(texts_to_fit(id).empty());
    }
  }
}

TEST(QtWindowLayout, FontsAndTooltips) {
  QtForm window({}, kDrives, 96);
  auto font_of = [&](ControlId id) { return window.window.control(id).font(); };
  for (ControlId id : {ControlId::Command1, ControlId::mStop}) {
    EXPECT_TRUE(font_of(id).bold());
    EXPECT_DOUBLE_EQ(font_of(id).pointSizeF(), 8.25);
    EXPECT_EQ(font_of(id).family(), "MS Sans Serif");
  }
  for (ControlId id : {ControlId::Command6, ControlId::Command9}) {
    EXPECT_TRUE(font_of(id).bold());
    EXPECT_DOUBLE_EQ(font_of(id).pointSizeF(), 9.75);
  }
  EXPECT_FALSE(font_of(ControlId::Command5).bold());
  EXPECT_EQ(window.window.control(ControlId::Command5).toolTip(), "Automatic naming of output files");
  EXPECT_EQ(window.window.control(ControlId::Command4).toolTip(), "Browse for folder");
  EXPECT_TRUE(window.window.control(ControlId::Command3).toolTip().isEmpty());
  // A status label's whole caption, however long, is its tooltip.
  const std::string message = "Cannot create \"/" + std::string(250, 'x') + "/cat.lst\": Permission denied";
  window.form.Label2.setCaption(message);
  EXPECT_EQ(window.window.control(ControlId::Label2).toolTip().toStdString(), message);
}

TEST(QtWindowLayout, TheDotButtonsLieOnTopOfTheBoxesTheyOverlap) {
  QtForm window({}, kDrives, 96, 1.0);
  // The right ends of Text1 and Text5, where the "..." buttons sit.
  EXPECT_EQ(window.window.childAt(245, 15), &window.window.control(ControlId::Command9));
  EXPECT_EQ(window.window.childAt(245, 103), &window.window.control(ControlId::Command6));
  EXPECT_EQ(window.window.childAt(100, 15), &window.window.control(ControlId::Text1));
}

TEST(QtWindowLayout, TabOrderFollowsTheTabIndexes) {
  QtForm window({}, kDrives, 96);
  QStringList chain;
  QWidget* start = &window.window.control(ControlId::Command1);
  QWidget* widget = start;
  do {
    if (widget->parentWidget() == &window.window && (widget->focusPolicy() & Qt::TabFocus)) {
      chain << widget->objectName();
    }
    widget = widget->nextInFocusChain();
  } while (widget != start && chain.size() < 40);
  EXPECT_EQ(chain.join(' '), "Command1 Text1 Text2 Text4 Command2 Text3 Drive1 Command3 List1 "
                             "Command4 Command5 Text5 Command6 Command7 Command8 Command9 mStop");
}

TEST(QtWindowLayout, DriveBoxAndListStartAsTheModelExpects) {
  QtForm window({}, kDrives, 96);
  EXPECT_EQ(window.Drive1.ListCount(), 2);
  EXPECT_EQ(window.Drive1.List(1), "/mnt/data");
  EXPECT_EQ(window.Drive1.ListIndex(), 0);
  EXPECT_EQ(window.window.control_as<QListWidget>(ControlId::List1).selectionMode(),
            QAbstractItemView::SingleSelection);
  EXPECT_EQ(window.List1.ListIndex(), -1);
}

TEST(QtWindowLayout, AccessKeysPressTheirButtons) {
  QtForm window({}, kDrives, 96);
  window.window.show();
  window.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window.window, 60000));
  window.Text4.setText("name.lst");
  QTest::keyClick(window.window.windowHandle(), Qt::Key_C, Qt::AltModifier);  // "&Clear"
  // The button shows itself pressed for a moment before it clicks.
  for (int wait = 0; wait < 6000 && !window.Text4.text().empty(); ++wait) QTest::qWait(10);
  EXPECT_EQ(window.Text4.text(), "");
}

}  // namespace
}  // namespace korvint::hosts::qt
