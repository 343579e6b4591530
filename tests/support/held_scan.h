#pragma once
// Holds a scan at a known point until the test lets it go: a gate for a file
// operation, and a folder whose files trickle in without end. They stand for
// "a disk slow enough" and "a tree big enough", so no test hopes for either.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/folder_source.h"

namespace korvint::test {

/// How long a held thread waits for the test before it goes on by itself; a
/// test that sees this happen has not seen what it waited for and fails.
inline constexpr std::chrono::seconds kHoldCeiling{120};

/// Holds the threads that pass it until the test opens it.
class Gate {
 public:
  /// Holds the calling thread until open() or the ceiling (then ceiling_reached()).
  void pass();
  /// Lets every held thread, and every later one, through.
  void open();
  /// True while a thread is held here.
  [[nodiscard]] bool holding() const;
  /// Waits until a thread is held here; false when none came within the ceiling.
  bool wait_until_holding();
  /// True when a thread went on at the ceiling instead of being let through.
  [[nodiscard]] bool ceiling_reached() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  int held_ = 0;
  bool ceiling_reached_ = false;
};

/// A root folder whose files, f0, f1, ..., size 1, trickle in one at a time
/// without end. Its listing ends when the test calls finish(), when the walk
/// takes no more entries (it was stopped), or at the ceiling. No sub-folders.
class TrickleFolder {
 public:
  /// A source for FormServices::folders: every walk lists this folder as its root.
  std::function<std::unique_ptr<platform::FolderSource>()> source();

  /// Ends the listing after the entry it is handing over.
  void finish() { finished_ = true; }

  /// Entries handed to the walk so far.
  [[nodiscard]] long listed() const { return listed_; }
  /// True once the walk asked for no more entries.
  [[nodiscard]] bool refused() const { return refused_; }
  /// True when the listing ended at the ceiling.
  [[nodiscard]] bool ceiling_reached() const { return ceiling_reached_; }
  /// The root the walk opened, as it named it.
  [[nodiscard]] std::string root() const;

 private:
  friend class TrickleSource;
  std::atomic<bool> finished_{false};
  std::atomic<long> listed_{0};
  std::atomic<bool> refused_{false};
  std::atomic<bool> ceiling_reached_{false};
  mutable std::mutex mutex_;
  std::string root_;
};

}  // namespace korvint::test
