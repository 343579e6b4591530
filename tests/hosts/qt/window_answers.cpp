#include "hosts/qt/window_answers.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

namespace korvint::test {
namespace {

// Looks every few milliseconds for `find` to return a widget, then hands it to
// `answer` once; gives up after ten seconds.
template <class Widget>
void when_shown(std::function<Widget*()> find, std::function<void(Widget&)> answer) {
  auto* poll = new QTimer(qApp);
  auto tries = std::make_shared<int>(0);
  QObject::connect(poll, &QTimer::timeout, poll, [poll, tries, find, answer] {
    if (++*tries > 2000) {
      poll->deleteLater();
      return;
    }
    Widget* widget = find();
    if (widget == nullptr || !widget->isVisible()) return;
    poll->stop();
    poll->deleteLater();
    answer(*widget);
  });
  poll->start(5);
}

}  // namespace

void answer_next_popup(ShownMenu& shown, const QString& item) {
  when_shown<QMenu>([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                    [&shown, item](QMenu& menu) {
                      shown.shown = true;
                      shown.name = menu.objectName();
                      QAction* chosen = nullptr;
                      for (QAction* action : menu.actions()) {
                        shown.items << action->text();
                        shown.item_names << action->objectName();
                        if (action->objectName() == item) chosen = action;
                      }
                      if (chosen == nullptr) {
                        menu.close();
                        return;
                      }
                      menu.setActiveAction(chosen);
                      QTest::keyClick(&menu, Qt::Key_Return);
                    });
}

void answer_next_message_box(ShownMessage& shown) {
  when_shown<QMessageBox>(
      [] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
      [&shown](QMessageBox& box) {
        shown.shown = true;
        shown.title = box.windowTitle();
        shown.text = box.text();
        shown.icon = box.icon();
        shown.buttons = static_cast<int>(box.buttons().size());
        QAbstractButton* ok = box.button(QMessageBox::Ok);
        shown.has_ok = ok != nullptr;
        if (ok != nullptr) {
          ok->click();
        } else {
          box.reject();
        }
      });
}

void answer_next_folder_dialog(const QString& folder) {
  when_shown<QFileDialog>(
      [] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); },
      [folder](QFileDialog& dialog) {
        if (folder.isEmpty()) {
          dialog.reject();
          return;
        }
        dialog.setDirectory(folder);
        static_cast<QDialog&>(dialog).accept();  // the file dialog's own check, then accepted
      });
}

bool wait_for(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 30000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

}  // namespace korvint::test
