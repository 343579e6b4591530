#include "engine/read_ahead_depth.h"

#include <algorithm>

namespace korvint::engine {
namespace {

// The walk is starved when it waits for the helpers this share of the time:
// only then can another depth list faster.
constexpr double kStarved = 0.2;
// More depth is kept when it lists this much faster; less depth when it lists
// no slower (fewer requests in flight cost less memory and handles, compete
// less for the processors, and spare a seeking disk).
constexpr double kGainToKeepMore = 1.05;
constexpr double kShareToKeepLess = 1.0;
// A trial ends after a pair of periods when the difference is this plain.
constexpr double kPlainGain = 1.4;
constexpr double kPlainLoss = 0.7;
// Periods a trial alternates over at most: three at each depth.
constexpr int kTrialPeriods = 6;
// Periods a failed try up blocks the next, at first and at the longest.
constexpr int kFirstBackoff = 4;
constexpr int kLongestBackoff = 64;

}  // namespace

ReadAheadDepth::ReadAheadDepth(std::size_t start, std::size_t most)
    : most_(std::max<std::size_t>(1, most)),
      depth_(std::clamp<std::size_t>(start, 1, most_)),
      steady_(depth_),
      backoff_(kFirstBackoff) {}

std::size_t ReadAheadDepth::more() const { return std::min(most_, steady_ * 2); }

void ReadAheadDepth::start_trial(std::size_t candidate) {
  candidate_ = candidate;
  candidate_entries_ = candidate_seconds_ = steady_entries_ = steady_seconds_ = 0;
  trial_periods_ = 0;
  depth_ = candidate_;
}

void ReadAheadDepth::end_trial(double ratio) {
  const bool went_up = candidate_ > steady_;
  const bool candidate_kept = went_up ? ratio >= kGainToKeepMore : ratio >= kShareToKeepLess;
  const std::size_t before = steady_;
  if (candidate_kept) steady_ = candidate_;
  candidate_ = 0;
  depth_ = steady_;
  if (went_up && candidate_kept) {
    // The medium answers more at once faster: see whether it answers more still.
    backoff_ = kFirstBackoff;
    if (steady_ < most_) start_trial(more());
  } else if (went_up) {
    // More did not help: hold off trying more for a while, and see whether
    // less is as fast (a warm cache, where the helpers wait for the
    // processors) or faster (a seeking disk).
    trials_up_blocked_ = backoff_;
    backoff_ = std::min(backoff_ * 2, kLongestBackoff);
    if (before > 1) start_trial(before / 2);
  } else if (candidate_kept && steady_ > 1) {
    start_trial(steady_ / 2);  // less was no slower: less again?
  }
}

std::size_t ReadAheadDepth::on_period(const DepthSample& sample) {
  if (sample.seconds <= 0) return depth_;
  if (trials_up_blocked_ > 0) --trials_up_blocked_;

  if (candidate_ == 0) {
    // The walk waits while the medium answers: try asking it more at once.
    const bool starved = sample.walk_waiting / sample.seconds >= kStarved;
    if (starved && trials_up_blocked_ == 0 && steady_ < most_) start_trial(more());
    return depth_;
  }

  if (depth_ == candidate_) {
    candidate_entries_ += sample.entries;
    candidate_seconds_ += sample.seconds;
  } else {
    steady_entries_ += sample.entries;
    steady_seconds_ += sample.seconds;
  }
  ++trial_periods_;
  // Decided after whole pairs only, so that both depths met the same stretch of tree.
  if (trial_periods_ % 2 == 0) {
    const double steady_rate = steady_entries_ / steady_seconds_;
    const double candidate_rate = candidate_entries_ / candidate_seconds_;
    const double ratio = steady_rate > 0 ? candidate_rate / steady_rate : (candidate_rate > 0 ? kPlainGain : 1);
    // A depth that is behind after the first pair is let go at once: a
    // difference worth acting on shows from the start, and a try that costs
    // (more on a warm cache or a seeking disk) costs least this way.
    const bool behind = trial_periods_ == 2 && ratio < (candidate_ > steady_ ? 1.0 : kShareToKeepLess);
    if (trial_periods_ >= kTrialPeriods || ratio >= kPlainGain || ratio <= kPlainLoss || behind) {
      end_trial(ratio);
      return depth_;
    }
  }
  depth_ = depth_ == candidate_ ? steady_ : candidate_;
  return depth_;
}

}  // namespace korvint::engine
