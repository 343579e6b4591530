#include "engine/read_ahead_depth.h"

#include <algorithm>

namespace korvint::engine {
namespace {

// The walk is starved when it waits for the helpers this share of the time.
constexpr double kStarved = 0.2;
// The helpers are bound by the processors when this share of them is busy.
constexpr double kProcessorBound = 0.85;
constexpr double kNoIoWait = 0.03;
// More depth is kept only when it lists this much faster; less depth when it
// lists at least this fast (fewer requests in flight cost less memory and
// handles, and spare a seeking disk).
constexpr double kGainToKeepMore = 1.10;
constexpr double kShareToKeepLess = 0.97;
constexpr double kPlainGain = 1.5;
constexpr double kPlainLoss = 0.85;
// Periods a tried depth is measured over.
constexpr int kTryPeriods = 2;
// The longest a failed try up blocks the next, in periods.
constexpr int kLongestBackoff = 32;

}  // namespace

ReadAheadDepth::ReadAheadDepth(std::size_t start, std::size_t most, unsigned processors)
    : most_(std::max<std::size_t>(1, most)),
      processors_(std::max(1u, processors)),
      depth_(std::clamp<std::size_t>(start, 1, most_)),
      bound_floor_(std::max<std::size_t>(depth_, std::min<std::size_t>(processors_, most_))),
      steady_depth_(depth_) {}

std::size_t ReadAheadDepth::more(std::size_t depth) const { return std::min(most_, depth * 2); }

void ReadAheadDepth::try_depth(std::size_t depth) {
  depth_ = depth;
  phase_ = Phase::settling;
  tried_entries_ = 0;
  tried_seconds_ = 0;
  tried_periods_ = 0;
}

std::size_t ReadAheadDepth::on_period(const DepthSample& sample) {
  if (sample.seconds <= 0) return depth_;
  const double rate = sample.entries / sample.seconds;
  const bool starved = sample.walk_waiting / sample.seconds >= kStarved;
  // Bound by the processors when they are busy (with this process or others)
  // and nothing waits for the medium: a warm cache, where more helpers would
  // only wait for the processors. A cold medium keeps gaining from requests
  // in flight even while reading it keeps the processors busy.
  const bool processor_bound = sample.machine_busy >= 0
                                   ? sample.machine_busy >= kProcessorBound && sample.machine_io_wait < kNoIoWait
                                   : sample.cpu_seconds / (sample.seconds * processors_) >= kProcessorBound;
  if (tries_up_blocked_ > 0) --tries_up_blocked_;

  switch (phase_) {
    case Phase::settling:
      // Listings started at the old depth end in this period: it measures neither.
      phase_ = depth_ == steady_depth_ ? Phase::steady : Phase::trying;
      if (phase_ == Phase::steady) {
        steady_rate_ = 0;
        steady_periods_ = 0;
      }
      return depth_;

    case Phase::trying: {
      tried_entries_ += sample.entries;
      tried_seconds_ += sample.seconds;
      const double tried_rate = tried_entries_ / tried_seconds_;
      const bool went_up = depth_ > steady_depth_;
      // A plain gain needs no second period to be believed.
      const bool plain_gain = went_up && tried_rate >= steady_rate_ * kPlainGain && !processor_bound;
      if (++tried_periods_ < kTryPeriods && !plain_gain) return depth_;
      // Less depth is kept when no slower; but a busy machine is no reason
      // to go below the start depth.
      const bool kept = went_up ? (tried_rate >= steady_rate_ * kGainToKeepMore && !processor_bound)
                                : tried_rate >= steady_rate_ * kShareToKeepLess &&
                                      (!processor_bound || depth_ >= bound_floor_);
      if (kept) {
        steady_depth_ = depth_;
        steady_rate_ = tried_rate;
        steady_periods_ = 1;
        phase_ = Phase::steady;
        tried_down_ = false;
        if (went_up) {
          backoff_ = 2;
          // Still waiting on the medium: the next step up is worth a try at once.
          if (starved && !processor_bound && depth_ < most_) try_depth(more(depth_));
        }
        return depth_;
      }
      if (went_up) {
        // More did not help: hold off trying more for a while. When it made
        // the medium plainly slower (a seeking disk), see whether less is faster.
        tries_up_blocked_ = backoff_;
        backoff_ = std::min(backoff_ * 2, kLongestBackoff);
        if (!tried_down_ && steady_depth_ > 1 && tried_rate < steady_rate_ * kPlainLoss) {
          tried_down_ = true;
          try_depth(std::max<std::size_t>(1, std::min(steady_depth_ - 1, steady_depth_ * 2 / 3)));
          return depth_;
        }
      } else {
        tried_down_ = true;
      }
      try_depth(steady_depth_);
      return depth_;
    }

    case Phase::steady:
      steady_rate_ = steady_rate_ == 0 ? rate : (steady_rate_ + rate) / 2;
      if (++steady_periods_ < 2) return depth_;  // one period is too short a measure to act on
      if (processor_bound) {
        // Warm cache, or a busy machine: more helpers only compete for the
        // processors. Back to the start depth, which costs a warm walk nothing.
        if (depth_ != bound_floor_) try_depth(depth_ > bound_floor_ ? std::max(bound_floor_, depth_ * 2 / 3) : bound_floor_);
      } else if (starved && tries_up_blocked_ == 0 && depth_ < most_) {
        // The walk waits while the medium answers: ask it more at once.
        try_depth(more(depth_));
      }
      return depth_;
  }
  return depth_;
}

}  // namespace korvint::engine
