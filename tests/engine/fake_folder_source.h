#pragma once
// An in-memory tree in a fixed listing order, for walker tests that need exact
// line order and failures on demand.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/folder_source.h"

namespace korvint::test {

struct FakeNode {
  std::string name;
  bool is_folder = false;
  std::uint64_t size = 0;
  std::int64_t created = 0;
  std::int64_t written = 0;
  bool is_link = false;
  platform::FolderId id{};          // for folders; a link repeats its target's id
  bool unreadable = false;          // opening it fails
  bool pseudo = false;              // a file system of the kernel's state (give it another volume)
  std::vector<FakeNode> children;   // for folders, in listing order
  bool id_in_listing = true;        // false: the walker must ask the open folder
  int list_delay_ms = 0;            // a slow disk: the listing starts this late
  int entry_delay_ms = 0;           // a slow medium: each entry comes this long after the one before
};

FakeNode fake_file(std::string name, std::uint64_t size, std::int64_t written);
FakeNode fake_folder(std::string name, std::int64_t created, std::vector<FakeNode> children);

/// Lists a FakeNode tree; counts what the walker asks of it.
class FakeFolderSource final : public platform::FolderSource {
 public:
  explicit FakeFolderSource(FakeNode root) : root_(std::move(root)) {}
  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root,
                                                  platform::Status& error) override;

  /// Links resolve by id to the folder with that id.
  const FakeNode* find_by_id(const platform::FolderId& id) const;

  /// A simulated medium: each listing first waits this long, longer by
  /// `latency_growth` times as much for every other listing under way (a
  /// seeking disk), or the same however many wait (growth 0: flash, a share).
  int list_latency_us = 0;
  double latency_growth = 0;

  std::atomic<int> opens = 0;
  std::atomic<int> listings_started = 0;
  std::atomic<int> listings_now = 0;
  std::atomic<int> most_listings_at_once = 0;
  std::atomic<int> id_queries = 0;
  std::string opened_root;

 private:
  FakeNode root_;
};

}  // namespace korvint::test
