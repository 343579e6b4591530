#pragma once
// A walk host for tests of the walker: counts the walker's calls, can act on
// them, and stops when told.

#include <functional>

#include "engine/turn_pacer.h"

namespace korvint::test {

class RecordingWalkHost final : public engine::WalkHost {
 public:
  [[nodiscard]] bool StopFlag() const override { return stop; }
  void progress_step() override {
    ++progress_steps;
    if (on_progress) on_progress(*this);
  }
  void idle_turn() override {
    ++idle_turns;
    if (on_idle) on_idle(*this);
  }

  bool stop = false;
  int progress_steps = 0;
  int idle_turns = 0;
  std::function<void(RecordingWalkHost&)> on_progress;
  std::function<void(RecordingWalkHost&)> on_idle;
};

}  // namespace korvint::test
