#pragma once
// The window's turns during a scan: what the scan lends the walk (the stop
// flag, the count label, the event loop) and the one pacer that gives the
// window its turns from the walk's first folder to the catalogue's last step.

#include <chrono>

namespace korvint::engine {

/// What the scan job lends the walker: the stop flag, the count label and the
/// event loop. While a scan runs (its walk, and the writing out, syncing and
/// clean-up after it) the host gets progress_step() or idle_turn() at least
/// every 100 ms, as long as no single call of the folder source or the file
/// services blocks for longer; once StopFlag() is true the walk ends within as long.
class WalkHost {
 public:
  /// True once the user has asked the scan to stop.
  [[nodiscard]] virtual bool StopFlag() const = 0;

  /// Adds 500 to the count shown to the user, then gives the event loop a turn.
  virtual void progress_step() = 0;

  /// Gives the event loop a turn now; a TurnPacer paces these calls.
  virtual void idle_turn() = 0;

 protected:
  ~WalkHost() = default;
};

/// Keeps the host's turns coming at a steady pace through the whole scan: the
/// walk offers a turn between any two entries and whenever it wakes from a
/// wait, the catalogue's ending whenever it wakes from its wait for a file
/// step, and a turn is given once kInterval has passed since the last one.
class TurnPacer {
 public:
  using Clock = std::chrono::steady_clock;
  /// Well inside the 100 ms the host is promised: the rest is slack for a busy machine.
  static constexpr std::chrono::milliseconds kInterval{40};

  /// `host` must outlive the pacer. The interval runs from now.
  explicit TurnPacer(WalkHost& host) : host_(host), last_turn_(Clock::now()) {}

  /// Gives the host a turn when one is due. True once the user has asked to stop.
  bool offer() {
    if (Clock::now() >= due()) turn();
    return host_.StopFlag();
  }

  /// Gives the host a turn now, due or not.
  void turn() {
    host_.idle_turn();
    last_turn_ = Clock::now();
  }

  /// A progress step, which is a turn too.
  void progress_step() {
    host_.progress_step();
    last_turn_ = Clock::now();
  }

  /// True once the user has asked to stop; gives no turn.
  [[nodiscard]] bool stop_asked() const { return host_.StopFlag(); }

  /// When the next turn is due: a scan that waits wakes up by then.
  [[nodiscard]] Clock::time_point due() const { return last_turn_ + kInterval; }

 private:
  WalkHost& host_;
  Clock::time_point last_turn_;
};

}  // namespace korvint::engine
