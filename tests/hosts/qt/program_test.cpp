// The korvint program with its window, started as a process: batch scans that
// complete, SIGINT during a batch scan, SIGTERM while the window waits.

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>
#include <filesystem>
#include <fstream>
#include <string>

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
  EXPECT_TRUE(process->waitForStarted(10000));
  return process;
}

// True once the process catches `signal` (it has installed its handler).
bool catches(qint64 pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1U;
  }
  return false;
}

bool wait_until(const std::function<bool()>& condition) {
  QElapsedTimer clock;
  clock.start();
  while (!condition()) {
    if (clock.elapsed() > 20000) return false;
    QThread::msleep(1);
  }
  return true;
}

QString path_arg(const fs::path& path) { return QString::fromStdString(path_text(path)); }

TEST(KorvintProgram, ABatchScanWritesTheCatalogueAndEnds) {
  TempTree tree;
  tree.file("root/a.txt", 5, utc_seconds(2022, 1, 1, 0, 0, 0));
  std::unique_ptr<QProcess> korvint(
      start_korvint(tree, {path_arg(tree.root() / "root"), path_arg(tree.root() / "cat.lst")}));
  ASSERT_TRUE(korvint->waitForFinished(30000));
  EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvint->exitCode(), 0) << korvint->readAllStandardError().toStdString();
  EXPECT_NE(read_file(tree.root() / "cat.lst").find("a.txt"), std::string::npos);
}

// The window is a module found from the program's own folder: a korvint
// without it still makes catalogues, and says why no window opens.
TEST(KorvintProgram, WithoutItsWindowModuleABatchStillRuns) {
  TempTree tree;
  tree.file("root/a.txt", 5, utc_seconds(2022, 1, 1, 0, 0, 0));
  const fs::path alone = tree.root() / "bin" / "korvint";
  fs::create_directories(alone.parent_path());
  fs::copy_file(KORVINT_PROGRAM, alone);
  auto run = [&](const QStringList& arguments) {
    auto* process = new QProcess;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("HOME", QString::fromStdString(path_text(tree.root())));
    process->setProcessEnvironment(environment);
    process->start(QString::fromStdString(alone.string()), arguments);
    EXPECT_TRUE(process->waitForFinished(30000));
    return std::unique_ptr<QProcess>(process);
  };

  auto batch = run({path_arg(tree.root() / "root"), path_arg(tree.root() / "cat.lst")});
  const std::string said = batch->readAllStandardError().toStdString();
  EXPECT_EQ(batch->exitCode(), 0) << said;
  EXPECT_NE(said.find("cannot open the window"), std::string::npos) << said;
  EXPECT_NE(said.find("lib/korvint/korvint-window.so"), std::string::npos) << said;
  EXPECT_NE(read_file(tree.root() / "cat.lst").find("a.txt"), std::string::npos);

  auto window = run({});
  EXPECT_EQ(window->exitCode(), 2);
  EXPECT_NE(window->readAllStandardError().toStdString().find("cannot open the window"), std::string::npos);
}

TEST(KorvintProgram, SigintDuringABatchScanActsAsStop) {
  TempTree tree;
  const fs::path root = tree.folder("root");
  for (int i = 0; i < 30000; ++i) {
    const int file = ::open((root / ("f" + std::to_string(i))).c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(file, 0);
    ::close(file);
  }
  const std::string earlier = "the earlier catalogue\r\n";
  write_file(tree.root() / "cat.lst", earlier);
  std::unique_ptr<QProcess> korvint(start_korvint(tree, {path_arg(root), path_arg(tree.root() / "cat.lst")}));
  // The earlier catalogue moves aside as the scan opens its output.
  ASSERT_TRUE(wait_until([&] { return fs::exists(tree.root() / "cat.lst.old"); }));
  ::kill(static_cast<pid_t>(korvint->processId()), SIGINT);

  ASSERT_TRUE(korvint->waitForFinished(30000));
  EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvint->exitCode(), 1);
  EXPECT_NE(korvint->readAllStandardError().toStdString().find("Stopped! Output deleted!"), std::string::npos);
  EXPECT_EQ(read_file(tree.root() / "cat.lst"), earlier);
  EXPECT_FALSE(fs::exists(tree.root() / "cat.lst.old"));
}

TEST(KorvintProgram, SigtermClosesTheWaitingWindow) {
  TempTree tree;
  std::unique_ptr<QProcess> korvint(start_korvint(tree, {}));
  ASSERT_TRUE(wait_until([&] { return catches(korvint->processId(), SIGTERM); }));
  ::kill(static_cast<pid_t>(korvint->processId()), SIGTERM);
  ASSERT_TRUE(korvint->waitForFinished(30000));
  EXPECT_EQ(korvint->exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(korvint->exitCode(), 0);
}

}  // namespace
}  // namespace korvint::test
