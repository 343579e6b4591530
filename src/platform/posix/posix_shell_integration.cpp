// The right-click entry on freedesktop desktops: a desktop entry for folders
// (inode/directory) in the user's applications folder; and starting programs.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/file_services.h"
#include "platform/posix/posix_error.h"
#include "platform/shell_integration.h"

namespace korvint::platform {
namespace {

using posix::errno_failure;

// $XDG_DATA_HOME/applications, or ~/.local/share/applications.
std::string applications_folder() {
  const char* data_home = std::getenv("XDG_DATA_HOME");
  std::string base;
  if (data_home != nullptr && data_home[0] == '/') {
    base = data_home;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.local/share";
  }
  return base + "/applications";
}

std::string entry_path() { return applications_folder() + "/korvint-scan.desktop"; }

// One argument of an Exec line: quoted, with the characters the desktop entry
// format reserves inside quotes escaped, then escaped again as a string value.
std::string exec_argument(const std::string& argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

Status make_folders(const std::string& path) {
  for (std::size_t at = 1; at <= path.size(); ++at) {
    if (at != path.size() && path[at] != '/') continue;
    const std::string part = path.substr(0, at);
    if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return errno_failure("Cannot create", part, errno);
  }
  return Status();
}

Status write_desktop_entry(std::string_view program_folder) {
  const std::string folder = applications_folder();
  if (Status made = make_folders(folder); !made.ok()) return made;
  const std::string program = std::string(program_folder) + "/korvint";
  const std::string text =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Korvint scan\n"
      "Comment=Make a disk catalogue of this folder\n"
      "Exec=" + exec_argument(program) + " %f\n"
      "Icon=korvint\n"
      "MimeType=inode/directory;\n"
      "NoDisplay=true\n"
      "Terminal=false\n";
  // Written beside and renamed over, so a half-written entry is never seen.
  const std::string path = entry_path();
  const std::string temporary = path + ".new";
  // A temporary left by an earlier attempt that failed half-way is dropped:
  // the output is always created new.
  if (::unlink(temporary.c_str()) != 0 && errno != ENOENT) return errno_failure("Cannot delete", temporary, errno);
  Status error;
  {
    auto file = system_file_services().create_output(temporary, error);
    if (!file) return error;
    if (Status written = file->write(text); !written.ok()) return written;
    if (Status closed = file->close(); !closed.ok()) return closed;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) return errno_failure("Cannot write", path, errno);
  return Status();
}

}  // namespace

MenuEntryOutcome add_folder_menu_entry(std::string_view program_folder) {
  return {write_desktop_entry(program_folder), std::string()};
}

MenuEntryOutcome remove_folder_menu_entry() {
  const std::string path = entry_path();
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) return {errno_failure("Cannot delete", path, errno), {}};
  return {};
}

Status start_program(std::string_view path) { return start_program(path, {}); }

Status start_program(std::string_view path, const std::vector<std::string>& arguments) {
  const std::string program(path);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The child reports a failed exec through this pipe; a successful exec closes it.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return errno_failure("Cannot start", program, errno);
  const pid_t child = ::fork();
  if (child < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    return errno_failure("Cannot start", program, error);
  }
  if (child == 0) {
    // Started twice over, so the program is not our child and never waits as a zombie.
    ::setsid();
    // An ignored signal stays ignored across exec: the program gets the default.
    ::signal(SIGPIPE, SIG_DFL);
    if (::fork() != 0) ::_exit(0);
    ::execvp(program.c_str(), argv.data());
    const int error = errno;
    (void)!::write(report[1], &error, sizeof error);
    ::_exit(127);
  }
  ::close(report[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  int exec_error = 0;
  const ssize_t got = ::read(report[0], &exec_error, sizeof exec_error);
  ::close(report[0]);
  if (got == static_cast<ssize_t>(sizeof exec_error)) return errno_failure("Cannot start", program, exec_error);
  return Status();
}

}  // namespace korvint::platform
