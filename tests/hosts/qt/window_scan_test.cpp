// Scans driven through the window's widgets: a small one to the end, large
// ones stopped by STOP, by the close box and by Alt+X, and the event loop's
// turns while a folder lists and while the catalogue syncs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "app/start_up.h"
#include "support/catalogue_reader.h"
#include "support/held_scan.h"
#include "support/recording_file_services.h"
#include "support/temp_tree.h"
#include "hosts/qt/qt_form.h"

namespace korvint::hosts::qt {
using namespace korvint::ui;
namespace {

namespace fs = std::filesystem;

// Empty files named f0, f1, ... in `folder`, made quickly.
void make_files(const fs::path& folder, int count) {
  fs::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    const std::string path = (folder / ("f" + std::to_string(i))).string();
    const int file = ::open(path.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0) << path;
    ::close(file);
  }
}

// A loaded, shown window set to scan <tree>/root/ into <tree>/out/cat.lst.
class QtWindowScan : public ::testing::Test {
 protected:
  void SetUp() override {
    tree.folder("root");
    tree.folder("out");
    open_window(FormServices{});
  }

  // Opens the window anew over `services`.
  void open_window(FormServices services) {
    window.reset();
    services.program_folder = test::path_text(tree.root());
    window = std::make_unique<QtForm>(std::move(services), std::vector<std::string>{"/"}, 96);
    app::Form_Load(window->form, {});
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window->window, 60000));
    box(ControlId::Text1).setText(QString::fromStdString(test::path_text(tree.root() / "root")));
    box(ControlId::Text5).setText(QString::fromStdString(test::path_text(tree.root() / "out") + "/"));
    box(ControlId::Text4).setText("cat");
  }

  QLineEdit& box(ControlId id) { return window->window.control_as<QLineEdit>(id); }
  QPushButton& button(ControlId id) { return window->window.control_as<QPushButton>(id); }
  fs::path output() const { return tree.root() / "out" / "cat.lst"; }
  fs::path backup() const { return tree.root() / "out" / "cat.lst.old"; }

  // A tree of 3,000 files in 60 folders and an earlier catalogue under the output name.
  void large_tree_and_earlier_catalogue() {
    for (int folder = 0; folder < 60; ++folder) {
      make_files(tree.root() / "root" / ("d" + std::to_string(folder)), 50);
    }
    tree.text_file("out/cat.lst", kEarlier);
  }

  // Runs `action` once, at the first turn of the event loop that sees STOP shown.
  void when_stop_shows(std::function<void()> action) {
    auto* watch = new QTimer(&window->window);
    QObject::connect(watch, &QTimer::timeout, watch, [this, watch, action] {
      if (button(ControlId::mStop).isHidden()) return;
      watch->stop();
      action();
    });
    watch->start(0);
  }

  static constexpr const char* kEarlier = "the earlier catalogue\r\n";
  test::TempTree tree;
  std::unique_ptr<QtForm> window;
};

TEST_F(QtWindowScan, ScanSelectedWritesTheCatalogueAndReports) {
  const std::int64_t written = test::utc_seconds(2021, 6, 7, 8, 9, 10);
  tree.file("root/a.txt", 12, written);
  tree.file("root/sub/b.bin", 3000, written);
  QTest::mouseClick(&button(ControlId::Command1), Qt::LeftButton);

  ASSERT_TRUE(fs::exists(output()));
  EXPECT_FALSE(fs::exists(backup()));
  const test::ParsedCatalogue catalogue = test::parse_catalogue(test::read_file(output()));
  EXPECT_EQ(catalogue.problem, "");
  EXPECT_EQ(catalogue.files.size(), 2u);
  EXPECT_EQ(window->Label2.caption(), "Less than 500 files found");
  EXPECT_EQ(window->window.windowTitle(), "Finished!");
  EXPECT_EQ(box(ControlId::Text1).text().toStdString(), test::path_text(tree.root() / "root") + "/");
  EXPECT_EQ(box(ControlId::Text4).text(), "cat.lst");
  EXPECT_TRUE(button(ControlId::Command1).isEnabled());
  EXPECT_TRUE(button(ControlId::mStop).isHidden());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtWindowScan, StopDuringTheWalkPutsTheEarlierCatalogueBack) {
  large_tree_and_earlier_catalogue();
  bool stopped_while_disabled = false;
  when_stop_shows([&] {
    stopped_while_disabled = !button(ControlId::Command1).isEnabled();
    QTest::mouseClick(&button(ControlId::mStop), Qt::LeftButton);
  });
  QTest::mouseClick(&button(ControlId::Command1), Qt::LeftButton);

  EXPECT_TRUE(stopped_while_disabled);
  EXPECT_EQ(test::read_file(output()), kEarlier);
  EXPECT_FALSE(fs::exists(backup()));
  EXPECT_EQ(window->Label2.caption(), "Stopped! Output deleted!");
  EXPECT_TRUE(button(ControlId::Command1).isEnabled());
  EXPECT_FALSE(window->form.closed);
}

TEST_F(QtWindowScan, TheCloseBoxDuringAScanStopsItThenCloses) {
  large_tree_and_earlier_catalogue();
  bool open_while_unwinding = false;
  when_stop_shows([&] {
    window->window.close();
    open_while_unwinding = window->window.isVisible() && !window->form.closed;
  });
  QTest::mouseClick(&button(ControlId::Command1), Qt::LeftButton);

  EXPECT_TRUE(open_while_unwinding);
  EXPECT_TRUE(window->form.closed);
  EXPECT_FALSE(window->window.isVisible());
  EXPECT_EQ(test::read_file(output()), kEarlier);
  EXPECT_FALSE(fs::exists(backup()));
}

TEST_F(QtWindowScan, AltXDuringAScanEndsTheEventLoopOnceTheScanUnwinds) {
  large_tree_and_earlier_catalogue();
  when_stop_shows([&] { QTest::keyClick(window->window.windowHandle(), Qt::Key_X, Qt::AltModifier); });
  QTimer::singleShot(0, [&] { QTest::mouseClick(&button(ControlId::Command1), Qt::LeftButton); });
  QTimer::singleShot(60000, [] { QCoreApplication::exit(2); });  // a hung loop fails, not blocks

  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_TRUE(window->form.closed);
  EXPECT_EQ(window->Label2.caption(), "Stopped! Output deleted!");
  EXPECT_EQ(test::read_file(output()), kEarlier);
  EXPECT_FALSE(fs::exists(backup()));
}

// The window's turns during a scan are turns of its event loop: a timer of the
// window runs while a folder lists without end and while the catalogue's sync
// is held, and it is that timer that lets each of them go on.
TEST_F(QtWindowScan, ItsTimersRunWhileAFolderListsAndWhileTheCatalogueSyncs) {
  test::TrickleFolder folder;
  test::RecordingFileServices files;
  test::Gate sync;
  files.before = [&sync](const std::string& operation) {
    if (operation == "sync") sync.pass();
  };
  FormServices services{files};
  services.folders = folder.source();
  open_window(std::move(services));

  int ticks_listing = 0;
  int ticks_syncing = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    if (sync.holding()) {
      if (++ticks_syncing == 3) sync.open();
    } else if (folder.listed() > 0 && ticks_syncing == 0) {
      if (++ticks_listing == 3) folder.finish();
    }
  });
  ticker.start(10);
  QTest::mouseClick(&button(ControlId::Command1), Qt::LeftButton);
  ticker.stop();

  EXPECT_FALSE(folder.ceiling_reached()) << "no turn ended the listing";
  EXPECT_FALSE(sync.ceiling_reached()) << "no turn ended the sync";
  EXPECT_GE(ticks_listing, 3);
  EXPECT_GE(ticks_syncing, 3);
  const std::string catalogue = test::read_file(output());
  EXPECT_EQ(std::count(catalogue.begin(), catalogue.end(), '\n'), 1 + folder.listed());  // the header, a line a file
  EXPECT_EQ(window->window.windowTitle(), "Finished!");
  window.reset();  // before the file services it borrows
}

}  // namespace
}  // namespace korvint::hosts::qt
