#pragma once
// How many folder listings the read-ahead keeps in flight, adapted during the
// walk: a cold disk, a network share or a flash drive answers more requests at
// once faster, a seeking disk may answer them slower, and a warm cache gains
// nothing from more. Without threads or clocks: it is fed what was measured
// over each period and says the depth for the next.
//
// A depth is judged against the current one by alternating the two, period by
// period, and comparing the entries listed under each: how fast a walk lists
// depends as much on where it is in the tree (many small folders, or a few
// large ones) as on the depth, and alternating lets both depths meet the same
// parts of the tree.

#include <cstddef>

namespace korvint::engine {

/// The depth an adapting read-ahead starts at: on a warm cache it lists as
/// fast as 4, on a cold disk nearly as fast as 16, and one step up finds the rest.
inline constexpr std::size_t kFirstDepth = 8;

/// What the read-ahead did over one period.
struct DepthSample {
  double seconds = 0;       ///< the length of the period
  double entries = 0;       ///< entries the helpers listed
  double walk_waiting = 0;  ///< seconds the walk waited for the helpers
};

class ReadAheadDepth {
 public:
  /// Starts at `start` listings in flight, never outside 1 to `most`.
  ReadAheadDepth(std::size_t start, std::size_t most);

  [[nodiscard]] std::size_t depth() const { return depth_; }

  /// Takes one period's measurements, made at depth(); returns the depth for the next period.
  std::size_t on_period(const DepthSample& sample);

 private:
  void start_trial(std::size_t candidate);
  void end_trial(double ratio);  // ratio: the candidate's rate to the steady depth's
  [[nodiscard]] std::size_t more() const;

  std::size_t most_;
  std::size_t depth_;             // in force for the period being measured
  std::size_t steady_;            // the depth held between trials
  std::size_t candidate_ = 0;     // the depth on trial against `steady_`; 0: no trial
  double candidate_entries_ = 0;  // what each of the two listed during the trial
  double candidate_seconds_ = 0;
  double steady_entries_ = 0;
  double steady_seconds_ = 0;
  int trial_periods_ = 0;
  int trials_up_blocked_ = 0;     // periods before more depth is tried again
  int backoff_;                   // how long the next failed try up blocks further ones
};

}  // namespace korvint::engine
