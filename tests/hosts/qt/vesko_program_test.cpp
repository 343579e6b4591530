// vesko started as Korvint's "Vesko" button starts it: with no arguments it
// opens its window (and a signal closes it), it is no usage error.

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <fstream>

#include "shell/vesko_launcher.h"
#include "process_watch.h"
#include "support/form_fixture.h"

namespace korvint::test {
namespace {

namespace fs = std::filesystem;

// The process started from `program` (its first argument), if one runs.
long process_started_from(const std::string& program) {
  DIR* processes = opendir("/proc");
  long found = 0;
  while (dirent* entry = readdir(processes)) {
    const long pid = std::atol(entry->d_name);
    if (pid <= 0) continue;
    std::ifstream command_line("/proc/" + std::string(entry->d_name) + "/cmdline");
    std::string first;
    std::getline(command_line, first, '\0');
    if (first == program) found = pid;
  }
  closedir(processes);
  return found;
}

TEST(VeskoProgram, WithoutArgumentsItOpensItsWindow) {
  QProcess vesko;
  vesko.setProcessChannelMode(QProcess::ForwardedChannels);
  vesko.start(VESKO_PROGRAM, {});
  ASSERT_TRUE(vesko.waitForStarted(10000));
  ASSERT_TRUE(wait_until([&] { return catches(vesko.processId(), SIGTERM) || vesko.state() == QProcess::NotRunning; }));
  ASSERT_EQ(vesko.state(), QProcess::Running) << "ended with " << vesko.exitCode();
  ::kill(static_cast<pid_t>(vesko.processId()), SIGTERM);
  ASSERT_TRUE(vesko.waitForFinished(30000));
  EXPECT_EQ(vesko.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(vesko.exitCode(), 0);
}

TEST(VeskoProgram, WithoutADisplayItSaysSoAndHowToSearchOnTheTerminal) {
  QProcess vesko;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(variable);
  vesko.setProcessEnvironment(environment);
  vesko.start(VESKO_PROGRAM, {});
  ASSERT_TRUE(vesko.waitForFinished(30000));
  EXPECT_EQ(vesko.exitCode(), 2);
  EXPECT_TRUE(vesko.readAllStandardError().startsWith("vesko: no display for the window"));
}

TEST(VeskoProgram, ADisplayThatDoesNotAnswerEndsItWithTwo) {
  QProcess vesko;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  for (const char* variable : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(variable);
  environment.insert("DISPLAY", ":55");
  vesko.setProcessEnvironment(environment);
  vesko.start(VESKO_PROGRAM, {});
  ASSERT_TRUE(vesko.waitForFinished(30000));
  EXPECT_EQ(vesko.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(vesko.exitCode(), 2);
  EXPECT_TRUE(vesko.readAllStandardError().contains("vesko: cannot open the window: no display answers (DISPLAY=:55)"));
}

TEST(VeskoProgram, KorvintsButtonStartsTheVeskoBesideIt) {
  FormFixture f;
  const std::string beside = f.form().services.program_folder + "/" + shell::vesko_file_name();
  fs::create_symlink(VESKO_PROGRAM, beside);
  shell::Command8_Click(f.form());
  EXPECT_TRUE(f.window->host.messages.empty());
  long pid = 0;
  ASSERT_TRUE(wait_until([&] { return (pid = process_started_from(beside)) != 0 && catches(pid, SIGTERM); }));
  ::kill(static_cast<pid_t>(pid), SIGTERM);
  EXPECT_TRUE(wait_until([&] { return process_started_from(beside) == 0; }));
}

}  // namespace
}  // namespace korvint::test
