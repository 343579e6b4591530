// The adaptive read-ahead depth on simulated media: fed what a walk would
// measure at each depth, it must settle where the medium is fastest and list
// a whole tree nearly as fast as the best fixed depth would.

#include "engine/read_ahead_depth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

namespace korvint::engine {
namespace {

// A medium and the machine around it: what the helpers list per second at a depth.
struct Medium {
  std::string name;
  std::function<double(double depth)> listing_rate;
};

// Requests in flight each wait `latency` seconds for `entries_per_request` entries...
double flat(double depth, double latency, double bandwidth_requests) {
  return std::min(depth, bandwidth_requests) / latency * 15;
}

const Medium kMedia[] = {
    // A seeking disk: two requests let it reorder; more make its head travel.
    {"seeking disk", [](double d) { return 30000 * d / (1 + 0.5 * (d - 1) * (d - 1)); }},
    // Flash or a network share: the latency is the same however many wait, up to 24 at once.
    {"flash disk or share", [](double d) { return flat(d, 0.002, 24); }},
    // A warm cache on two processors: the helpers only compete for them.
    {"warm cache", [](double d) { return d < 2 ? 200000.0 : 300000 * (1 - 0.02 * std::max(0.0, d - 4)); }},
};

constexpr double kWalkRate = 400000;  // entries per second the walk writes
constexpr double kPeriod = 0.15;
constexpr double kTreeEntries = 1000000;
constexpr double kPi = 3.141592653589793;

struct TreeRun {
  double seconds = 0;
  std::size_t final_depth = 0;
};

// Lists the tree at a fixed depth, or with the depth adapting when `fixed` is 0.
// As in a real tree, the rate drifts by a third up and down as the walk meets
// regions of small or large folders, and each period carries a few percent of
// noise (all deterministic).
TreeRun list_tree(const Medium& medium, std::size_t fixed) {
  ReadAheadDepth depth(fixed == 0 ? kFirstDepth : fixed, 32);
  std::uint32_t noise = 12345;
  std::size_t previous = depth.depth();
  TreeRun run;
  double listed = 0;
  while (listed < kTreeEntries) {
    const std::size_t now = fixed == 0 ? depth.depth() : fixed;
    // The first tenth of a period after a change still lists at the old depth.
    const double rate = 0.1 * std::min(medium.listing_rate(static_cast<double>(previous)), kWalkRate) +
                        0.9 * std::min(medium.listing_rate(static_cast<double>(now)), kWalkRate);
    noise = noise * 1664525u + 1013904223u;
    const double region = 1 + 0.33 * std::sin(listed / kTreeEntries * 2 * kPi * 5);
    const double jitter = region * (1 + 0.05 * ((noise >> 8) / double(1 << 24) * 2 - 1));
    DepthSample sample;
    sample.seconds = kPeriod;
    sample.entries = rate * kPeriod * jitter;
    sample.walk_waiting = kPeriod * std::max(0.0, 1 - rate / kWalkRate);
    listed += sample.entries;
    run.seconds += kPeriod;
    previous = now;
    if (fixed == 0) depth.on_period(sample);
  }
  run.final_depth = fixed == 0 ? depth.depth() : fixed;
  return run;
}

TEST(ReadAheadDepth, SettlesNearTheBestFixedDepthOnEachMedium) {
  for (const Medium& medium : kMedia) {
    SCOPED_TRACE(medium.name);
    double best = list_tree(medium, 1).seconds;
    std::size_t best_depth = 1;
    for (std::size_t d = 2; d <= 32; ++d) {
      if (list_tree(medium, d).seconds < best) {
        best = list_tree(medium, d).seconds;
        best_depth = d;
      }
    }
    const TreeRun run = list_tree(medium, 0);
    EXPECT_LE(run.seconds, best * 1.15) << "best fixed depth " << best_depth << " takes " << best << " s";
    // Where it ends, the medium lists within 15 % of its best rate.
    EXPECT_LE(list_tree(medium, run.final_depth).seconds, best * 1.15)
        << "settled at " << run.final_depth << ", the best is " << best_depth;
  }
}

TEST(ReadAheadDepth, StaysWithinItsBoundsAndHoldsWhileTheWalkIsTheBottleneck) {
  ReadAheadDepth depth(40, 32);
  EXPECT_EQ(depth.depth(), 32u);
  ReadAheadDepth held(4, 32);
  DepthSample busy_walk{0.1, 10000, 0.0};  // the walk never waits: nothing to gain
  for (int i = 0; i < 50; ++i) EXPECT_EQ(held.on_period(busy_walk), 4u);
  ReadAheadDepth floor(1, 32);
  DepthSample warm{0.1, 10000, 0.05};
  for (int i = 0; i < 50; ++i) EXPECT_GE(floor.on_period(warm), 1u);
}

}  // namespace
}  // namespace korvint::engine
