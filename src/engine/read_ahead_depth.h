#pragma once
// How many folder listings the read-ahead keeps in flight, adapted during the
// walk: a cold disk, a network share or a flash drive answers more requests at
// once faster, a seeking disk may answer them slower, and a warm cache makes
// the helpers compete for the processors. Without threads or clocks: it is fed
// what was measured over each period and says the depth for the next.

#include <cstddef>

namespace korvint::engine {

/// What the read-ahead did over one period.
struct DepthSample {
  double seconds = 0;          ///< the length of the period
  double entries = 0;          ///< entries the helpers listed
  double walk_waiting = 0;     ///< seconds the walk waited for the helpers
  double cpu_seconds = 0;      ///< processor time the whole process used
  double machine_busy = -1;    ///< share of the machine's processor time busy with any process; <0: unknown
  double machine_io_wait = 0;  ///< share of it idle with input or output pending
};

class ReadAheadDepth {
 public:
  /// Starts at `start` listings in flight, never outside 1 to `most`;
  /// `processors` is how many the machine has.
  ReadAheadDepth(std::size_t start, std::size_t most, unsigned processors);

  [[nodiscard]] std::size_t depth() const { return depth_; }

  /// Takes one period's measurements; returns the depth for the next period.
  std::size_t on_period(const DepthSample& sample);

 private:
  enum class Phase {
    steady,      ///< holds the depth; measures the rate it gives
    settling,    ///< the depth has just changed: this period mixes old and new
    trying,      ///< measures a new depth against the steady rate of the old
  };

  void try_depth(std::size_t depth);
  [[nodiscard]] std::size_t more(std::size_t depth) const;

  std::size_t most_;
  unsigned processors_;
  std::size_t depth_;
  std::size_t bound_floor_;       // the least depth a processor-bound walk steps back to
  Phase phase_ = Phase::steady;
  std::size_t steady_depth_;      // the depth to go back to when a try fails
  double steady_rate_ = 0;        // entries per second at the steady depth
  double tried_entries_ = 0;      // what the depth being tried gave so far
  double tried_seconds_ = 0;
  int tried_periods_ = 0;
  int steady_periods_ = 0;        // periods measured at the steady depth since it was reached
  int tries_up_blocked_ = 0;      // periods before trying more depth again
  int backoff_ = 2;               // how long the next failed try up blocks further ones
  bool tried_down_ = false;       // a try down has been made since the last change
};

}  // namespace korvint::engine
