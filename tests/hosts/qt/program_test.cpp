// The korvint program with its window, started as a process: batch scans that
// complete, SIGINT during a batch scan, SIGTERM while the window waits.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <string>

#include "process_watch.h"
#include "support/temp_tree.h"

namespace korvint::test {
namespace {

namespace fs = std::filesystem;

QProcess* start_korvint(const TempTree& tree, const QStringList& arguments) {
  auto* process = new QProcess;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("QT_QPA_PLATFORM", "offscreen");
  environment.insert("HOME", QString::fromStdString(path_text(tree.root())));
  process->setProcessEnvironment(environment);
  process->start(KORVINT_PROGRAM, arguments);
  EXPECT_TRUE(process->waitForStarted(120000));
  return process;
}

QString path_arg(const fs::path& path) { return QString::fromStdString(path_text(path)); }

TEST(KorvintProgram, ABatchScanWritesTheCatalogueAndEnds) {
  TempTree tree;
  tree.file("root/a.txt", 5, utc_seconds(2022, 1, 1, 0, 0, 0));
  std::unique_ptr<QProcess> korvint(
      start_korvint(tree, {path_arg(tree.root() / "root"), path_arg(tree.root() / "cat.lst")}));
  ASSERT_TRUE(korvint->waitForFinished(120000));
  EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvint->exitCode(), 0) << korvint->readAllStandardError().toStdString();
  EXPECT_NE(read_file(tree.root() / "cat.lst").find("a.txt"), std::string::npos);
}

// A batch scan does not depend on the window: a korvint without its window
// module, and one whose display does not answer (a DISPLAY left from a closed
// session), still make the catalogue and say why no window opened; asked for
// the window alone, they end with status 2.
TEST(KorvintProgram, WithoutAWindowABatchStillRuns) {
  TempTree tree;
  tree.file("root/a.txt", 5, utc_seconds(2022, 1, 1, 0, 0, 0));
  const fs::path alone = tree.root() / "bin" / "korvint";
  fs::create_directories(alone.parent_path());
  fs::copy_file(KORVINT_PROGRAM, alone);
  struct Case {
    const char* what;
    std::string program;
    QString display;  // X11's DISPLAY; QT_QPA_PLATFORM is "offscreen" when this is empty
    std::string said;
  };
  const Case cases[] = {
      {"no window module", alone.string(), "", "lib/korvint/korvint-window.so"},
      {"a display that does not answer", KORVINT_PROGRAM, ":32123", "no display answers (DISPLAY=:32123)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto run = [&](const QStringList& arguments) {
      auto process = std::make_unique<QProcess>();
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.remove("WAYLAND_DISPLAY");
      if (c.display.isEmpty()) {
        environment.insert("QT_QPA_PLATFORM", "offscreen");
      } else {
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("DISPLAY", c.display);
      }
      environment.insert("HOME", QString::fromStdString(path_text(tree.root())));
      process->setProcessEnvironment(environment);
      process->start(QString::fromStdString(c.program), arguments);
      EXPECT_TRUE(process->waitForFinished(30000));
      return process;
    };

    fs::remove(tree.root() / "cat.lst");
    auto batch = run({path_arg(tree.root() / "root"), path_arg(tree.root() / "cat.lst")});
    const std::string said = batch->readAllStandardError().toStdString();
    EXPECT_EQ(batch->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(batch->exitCode(), 0) << said;
    EXPECT_NE(said.find("cannot open the window: "), std::string::npos) << said;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    EXPECT_NE(read_file(tree.root() / "cat.lst").find("a.txt"), std::string::npos);

    auto window = run({});
    EXPECT_EQ(window->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window->exitCode(), 2);
    EXPECT_NE(window->readAllStandardError().toStdString().find("cannot open the window"), std::string::npos);
  }
}

// True when process `pid` holds `path` open.
bool holds_open(qint64 pid, const fs::path& path) {
  std::error_code error;
  for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    if (fs::read_symlink(fd.path(), error) == path) return true;
  }
  return false;
}

// The state letter of process `pid` ('T' stopped, 'Z' ended), or 0 when it is gone.
char process_state(qint64 pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text;
  std::getline(stat, text);
  const std::size_t name_end = text.rfind(')');
  return name_end == std::string::npos || name_end + 2 >= text.size() ? 0 : text[name_end + 2];
}

// Stops process `pid` (SIGSTOP) while it holds `path` open, and makes sure it
// still does once it stands still. False when it let the file go first.
bool freeze_while_holding(qint64 pid, const fs::path& path) {
  if (!wait_until([&] { return holds_open(pid, path) || process_state(pid) == 'Z'; })) return false;
  ::kill(static_cast<pid_t>(pid), SIGSTOP);
  if (!wait_until([&] { const char state = process_state(pid); return state == 'T' || state == 'Z' || state == 0; }))
    return false;
  if (holds_open(pid, path)) return true;
  ::kill(static_cast<pid_t>(pid), SIGCONT);
  return false;
}

// The scan is frozen while it writes its catalogue, then SIGINT is sent to the
// window's thread, which handles it before it runs on: the scan cannot end
// before the signal arrives, however fast the machine.
TEST(KorvintProgram, SigintDuringABatchScanActsAsStop) {
  TempTree tree;
  const fs::path root = tree.folder("root");
  for (int i = 0; i < 30000; ++i) {
    const int file = ::open((root / ("f" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
  }
  const std::string earlier = "the earlier catalogue\r\n";
  const fs::path output = tree.root() / "cat.lst";
  // A scan that slips past the freeze (the test itself kept from running just
  // then) is seen to have let its output go, and the test starts it again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    write_file(output, earlier);
    std::unique_ptr<QProcess> korvint(start_korvint(tree, {path_arg(root), path_arg(output)}));
    if (!freeze_while_holding(korvint->processId(), output)) {
      ASSERT_TRUE(korvint->waitForFinished(120000));
      continue;
    }
    const auto pid = static_cast<pid_t>(korvint->processId());
    ::syscall(SYS_tgkill, pid, pid, SIGINT);  // the window's thread is the process's first
    ::kill(pid, SIGCONT);

    ASSERT_TRUE(korvint->waitForFinished(120000));
    EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(korvint->exitCode(), 1);
    EXPECT_NE(korvint->readAllStandardError().toStdString().find("Stopped! Output deleted!"), std::string::npos);
    EXPECT_EQ(read_file(output), earlier);
    EXPECT_FALSE(fs::exists(tree.root() / "cat.lst.old"));
    return;
  }
  FAIL() << "the scan never stood still while it wrote its catalogue";
}

TEST(KorvintProgram, SigtermClosesTheWaitingWindow) {
  TempTree tree;
  std::unique_ptr<QProcess> korvint(start_korvint(tree, {}));
  ASSERT_TRUE(wait_until([&] { return catches(korvint->processId(), SIGTERM); }));
  ::kill(static_cast<pid_t>(korvint->processId()), SIGTERM);
  ASSERT_TRUE(korvint->waitForFinished(120000));
  EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvint->exitCode(), 0);
}

}  // namespace
}  // namespace korvint::test
