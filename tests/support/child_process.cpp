#include "support/child_process.h"

#include <gtest/gtest.h>

#ifndef _WIN32
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

}  // namespace korvint::test
