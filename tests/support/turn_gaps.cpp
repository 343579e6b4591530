#include "support/turn_gaps.h"

#include <algorithm>
#include <fstream>

namespace korvint::test {

// Linux: the second figure of the thread's schedstat.
std::optional<std::chrono::nanoseconds> processor_wait() {
  std::ifstream stat("/proc/thread-self/schedstat");
  long long running = 0;
  long long waiting = 0;
  if (!(stat >> running >> waiting)) return std::nullopt;
  return std::chrono::nanoseconds(waiting);
}

void TurnGaps::mark() {
  marks_.push_back(Mark{Clock::now(), processor_wait().value_or(std::chrono::nanoseconds(0))});
}

std::chrono::milliseconds TurnGaps::longest() const {
  Clock::duration longest{};
  for (std::size_t i = 1; i < marks_.size(); ++i) {
    const Clock::duration gap = marks_[i].at - marks_[i - 1].at - (marks_[i].waited - marks_[i - 1].waited);
    longest = std::max(longest, gap);
  }
  return std::chrono::duration_cast<std::chrono::milliseconds>(longest);
}

bool TurnGaps::processor_wait_known() { return processor_wait().has_value(); }

}  // namespace korvint::test
