#include "batch_runner.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_tree.h"

namespace korvint::test {

pid_t start_batch(const std::vector<std::string>& arguments, const std::string& error_file,
                  const std::string& output_file, const std::string& working_folder,
                  const std::function<void()>& in_child) {
  const pid_t child = ::fork();
  if (child == 0) {
    const int err = ::open(error_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (err >= 0) ::dup2(err, STDERR_FILENO);
    if (!output_file.empty()) {
      const int out = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (out >= 0) ::dup2(out, STDOUT_FILENO);
    }
    if (!working_folder.empty() && ::chdir(working_folder.c_str()) != 0) ::_exit(125);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    if (in_child) in_child();
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(KORVINT_EXE));
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(KORVINT_EXE, argv.data());
    ::_exit(126);
  }
  return child;
}

int wait_for(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

bool holds_open(pid_t pid, const std::filesystem::path& path) {
  std::error_code error;
  for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    if (std::filesystem::read_symlink(fd.path(), error) == path) return true;
  }
  return false;
}

SuspendedTerminal::SuspendedTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
  name_ = ::ptsname(master_);
  slave_ = ::open(name_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ >= 0 && ::tcflow(slave_, TCOOFF) != 0) {
    ::close(slave_);
    slave_ = -1;
  }
}

SuspendedTerminal::~SuspendedTerminal() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
}

void SuspendedTerminal::resume() { ::tcflow(slave_, TCOON); }

std::string SuspendedTerminal::output() {
  std::string text;
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  char buffer[4096];
  for (ssize_t got; (got = ::read(master_, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(got));
  return text;
}

BatchOutcome run_batch(const std::vector<std::string>& arguments, const std::string& working_folder) {
  TempTree scratch;
  const std::string error_file = (scratch.root() / "stderr").string();
  const std::string output_file = (scratch.root() / "stdout").string();
  BatchOutcome outcome;
  outcome.exit_status = wait_for(start_batch(arguments, error_file, output_file, working_folder));
  outcome.error_output = read_file(error_file);
  outcome.output = read_file(output_file);
  return outcome;
}

}  // namespace korvint::test
