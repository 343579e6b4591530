#pragma once
// The gaps between the window's turns, in the part a program is answerable
// for: the wall time less the time its thread stood waiting for a processor,
// which a busy machine hands out as it likes.

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

namespace korvint::test {

/// How long the calling thread has stood ready to run but waiting for a
/// processor since it started; nullopt where the system does not tell (it
/// does on Linux).
std::optional<std::chrono::nanoseconds> processor_wait();

class TurnGaps {
 public:
  using Clock = std::chrono::steady_clock;

  /// Notes a turn (or the start or end of what is measured). Call on the
  /// window's thread only.
  void mark();

  /// The longest of the gaps between consecutive marks, each less the time the
  /// window's thread waited for a processor in it; zero with fewer than two marks.
  [[nodiscard]] std::chrono::milliseconds longest() const;

  [[nodiscard]] std::size_t marks() const { return marks_.size(); }

  /// True where the thread's wait for a processor can be read (Linux);
  /// elsewhere the gaps are wall time and say little on a busy machine.
  static bool processor_wait_known();

 private:
  struct Mark {
    Clock::time_point at;
    std::chrono::nanoseconds waited;  // for a processor, by the thread, since it started
  };
  std::vector<Mark> marks_;
};

}  // namespace korvint::test
