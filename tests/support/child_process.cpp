#include "support/child_process.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#endif

namespace korvint::test {
namespace {

// The failures the running test has recorded so far.
int failures() {
  const ::testing::TestResult* result = ::testing::UnitTest::GetInstance()->current_test_info()->result();
  int count = 0;
  for (int i = 0; i < result->total_part_count(); ++i) count += result->GetTestPartResult(i).failed() ? 1 : 0;
  return count;
}

}  // namespace

std::string run_in_child(const std::function<void()>& body) {
  const int before = failures();
#ifdef _WIN32
  body();
  return failures() == before ? "exit 0" : "exit 1";
#else
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    body();
    std::fflush(nullptr);
    ::_exit(failures() == before ? 0 : 1);
  }
  if (child < 0) return "cannot fork";
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status))
    return "signal " + std::to_string(WTERMSIG(status)) + " (" + ::strsignal(WTERMSIG(status)) + ")";
  return "exit " + std::to_string(WEXITSTATUS(status));
#endif
}

#ifdef _WIN32
ProgramRun run_program(std::wstring command) {
  ProgramRun ran;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  if (!CreatePipe(&read_end, &write_end, &inherit, 0)) return ran;
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                      nullptr, &startup, &process) != FALSE;
  CloseHandle(write_end);
  char block[4096];
  DWORD got = 0;
  while (started && ReadFile(read_end, block, sizeof block, &got, nullptr) != FALSE && got > 0) ran.output.append(block, got);
  CloseHandle(read_end);
  if (!started) return ran;
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 99;
  GetExitCodeProcess(process.hProcess, &code);
  ran.code = code;
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return ran;
}
#endif

}  // namespace korvint::test
