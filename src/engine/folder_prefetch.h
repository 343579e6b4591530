#pragma once
// Reading folders ahead of the walk: helper threads open and list the folders
// the walk will enter next while the walk writes the lines of the folders
// before them. The walk still sees every folder's entries in listing order and
// in full, so its lines, its progress arithmetic, its turns of the event loop
// and its stop are exactly those of a walk that lists every folder itself.

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/folder_source.h"
#include "platform/status.h"

namespace korvint::engine {

class TurnPacer;
/// The helpers' and the walk's meeting points; defined where the helpers run.
struct PrefetchShared;

/// As a number of listing threads: as many helpers as the medium answers
/// fastest with, found during the walk (1 to kMostListingThreads).
inline constexpr unsigned kAdaptiveListing = ~0u;
/// The most helper threads a walk uses.
inline constexpr unsigned kMostListingThreads = 32;
/// Helper threads when nothing else is asked for: the depth found during the walk.
inline constexpr unsigned kDefaultListingThreads = kAdaptiveListing;
/// The fewest folders a source must keep open at once for helpers to read
/// ahead. Below it (a process allowed few descriptors) the walk lists every
/// folder itself, which needs a parent and a child open at a time: helpers
/// would hold the descriptors it needs while they wait to hand listings over.
inline constexpr std::size_t kFoldersForReadAhead = 16;

/// The number of helper threads a scan uses to read folders ahead, from the
/// KORVINT_LISTING_THREADS environment variable: a number from 0 to 32 (0: the
/// walk lists every folder itself), "auto" for kAdaptiveListing; unset or
/// anything else, kDefaultListingThreads.
unsigned default_listing_threads();

/// A folder source whose folders are listed ahead of the walk by helper threads.
/// Folders it hands out must be destroyed before it. Whenever the walk waits
/// for a helper (for a listing, an open, or for the helpers to end) the host
/// gets its turns through `pacer`.
class FolderPrefetch final : public platform::FolderSource {
 public:
  /// `inner` and `pacer` must outlive this. `helpers` is a fixed number of
  /// helper threads, or kAdaptiveListing.
  FolderPrefetch(platform::FolderSource& inner, TurnPacer& pacer, unsigned helpers);
  ~FolderPrefetch() override;
  FolderPrefetch(const FolderPrefetch&) = delete;
  FolderPrefetch& operator=(const FolderPrefetch&) = delete;

  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root,
                                                  platform::Status& error) override;

 private:
  platform::FolderSource& inner_;
  TurnPacer& pacer_;
  std::unique_ptr<PrefetchShared> shared_;
};

}  // namespace korvint::engine
