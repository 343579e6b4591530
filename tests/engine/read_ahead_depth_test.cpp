// The adaptive read-ahead depth on simulated media: fed what a walk would
// measure at each depth, it must settle where the medium is fastest and list
// a whole tree nearly as fast as the best fixed depth would.

#include "engine/read_ahead_depth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

namespace korvint::engine {
namespace {

// A medium and the machine around it, as rates: what the helpers list per
// second at a depth, and how busy they keep the processors.
struct Medium {
  std::string name;
  std::function<double(double depth)> listing_rate;
  double processor_share;
};

// Requests in flight each wait `latency` seconds for `entries_per_request` entries...
double flat(double depth, double latency, double bandwidth_requests) {
  return std::min(depth, bandwidth_requests) / latency * 15;
}

const Medium kMedia[] = {
    // A seeking disk: two requests let it reorder; more make its head travel.
    {"seeking disk", [](double d) { return 30000 * d / (1 + 0.5 * (d - 1) * (d - 1)); }, 0.2},
    // Flash or a network share: the latency is the same however many wait, up to 24 at once.
    {"flash disk or share", [](double d) { return flat(d, 0.002, 24); }, 0.25},
    // A warm cache on two processors: the helpers only compete for them.
    {"warm cache", [](double d) { return d < 2 ? 200000.0 : 300000 * (1 - 0.02 * std::max(0.0, d - 4)); }, 0.95},
};

constexpr double kWalkRate = 400000;  // entries per second the walk writes
constexpr double kPeriod = 0.15;
constexpr double kTreeEntries = 1000000;

// Seconds to list the tree at a fixed depth.
double fixed_time(const Medium& medium, double depth) {
  return kTreeEntries / std::min(medium.listing_rate(depth), kWalkRate);
}

struct AdaptiveRun {
  double seconds = 0;
  std::size_t final_depth = 0;
};

// Lists the tree with the depth adapting; each period's rate carries a few
// percent of deterministic noise, as folders of different sizes give.
AdaptiveRun adaptive_run(const Medium& medium) {
  ReadAheadDepth depth(4, 32, 2);
  std::uint32_t noise = 12345;
  std::size_t previous = depth.depth();
  AdaptiveRun run;
  double listed = 0;
  while (listed < kTreeEntries) {
    // A period right after a change lists at a rate between the two depths.
    const double rate = (std::min(medium.listing_rate(static_cast<double>(previous)), kWalkRate) +
                         std::min(medium.listing_rate(static_cast<double>(depth.depth())), kWalkRate)) / 2;
    noise = noise * 1664525u + 1013904223u;
    const double jitter = 1 + 0.05 * ((noise >> 8) / double(1 << 24) * 2 - 1);
    DepthSample sample;
    sample.seconds = kPeriod;
    sample.entries = rate * kPeriod * jitter;
    sample.walk_waiting = kPeriod * std::max(0.0, 1 - rate / kWalkRate);
    sample.cpu_seconds = kPeriod * 2 * medium.processor_share;
    listed += sample.entries;
    run.seconds += kPeriod;
    previous = depth.depth();
    depth.on_period(sample);
  }
  run.final_depth = depth.depth();
  return run;
}

TEST(ReadAheadDepth, SettlesNearTheBestFixedDepthOnEachMedium) {
  for (const Medium& medium : kMedia) {
    SCOPED_TRACE(medium.name);
    double best = fixed_time(medium, 1);
    std::size_t best_depth = 1;
    for (std::size_t d = 2; d <= 32; ++d) {
      if (fixed_time(medium, static_cast<double>(d)) < best) {
        best = fixed_time(medium, static_cast<double>(d));
        best_depth = d;
      }
    }
    const AdaptiveRun run = adaptive_run(medium);
    EXPECT_LE(run.seconds, best * 1.15) << "best fixed depth " << best_depth << " takes " << best << " s";
    // Where it ends, the medium lists within 15 % of its best rate.
    EXPECT_LE(fixed_time(medium, static_cast<double>(run.final_depth)), best * 1.15)
        << "settled at " << run.final_depth << ", the best is " << best_depth;
  }
}

TEST(ReadAheadDepth, StaysWithinItsBoundsAndHoldsWhileTheWalkIsTheBottleneck) {
  ReadAheadDepth depth(40, 32, 2);
  EXPECT_EQ(depth.depth(), 32u);
  ReadAheadDepth held(4, 32, 2);
  DepthSample busy_walk{0.1, 10000, 0.0, 0.05};  // the walk never waits: nothing to gain
  for (int i = 0; i < 50; ++i) EXPECT_EQ(held.on_period(busy_walk), 4u);
  ReadAheadDepth floor(1, 32, 2);
  DepthSample warm{0.1, 10000, 0.05, 0.2};
  for (int i = 0; i < 50; ++i) EXPECT_GE(floor.on_period(warm), 1u);
}

}  // namespace
}  // namespace korvint::engine
