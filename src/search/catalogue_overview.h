#pragma once
// What the catalogue list shows of each catalogue: its name and root, how many
// files and folders it holds and their bytes, when it was written and how long
// ago, and whether its medium is attached now. The counts come from the one
// pass check_catalogues() makes over every line (Catalogue::counts()).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/root_presence.h"
#include "search/catalogue.h"
#include "search/name_decoder.h"

namespace korvint::search {

/// The facts of one catalogue, as values.
struct CatalogueOverview {
  std::string name;  ///< what results show: the file name without ".lst"
  std::string root;  ///< the header's root, decoded to UTF-8
  bool counted = false;        ///< files, folders, bytes and skipped are known (check_catalogues() ran)
  std::uint64_t files = 0;     ///< file lines that parse
  std::uint64_t folders = 0;   ///< folder lines that parse
  std::uint64_t bytes = 0;     ///< the sum of the files' sizes
  std::uint64_t skipped = 0;   ///< lines not in the catalogue format
  /// The catalogue file's last write, in local seconds since 1970 (as a local
  /// clock shows them); nullopt when it cannot be read.
  std::optional<std::int64_t> written;
  platform::RootPresence medium = platform::RootPresence::Absent;
};

/// The overview of `catalogue`: its counts when Catalogue::counts() holds
/// them, the file's write time and the root's presence asked of the system
/// now, names decoded by `decoder`.
CatalogueOverview catalogue_overview(const Catalogue& catalogue, NameDecoder& decoder);

/// The local clock now, in the seconds of CatalogueOverview::written (for age_text()).
std::int64_t local_seconds_now();

/// "YYYY-MM-DD HH:MM:SS" of local seconds since 1970.
std::string local_seconds_text(std::int64_t local_seconds);

/// How long ago `then` was at `now` (both in the same seconds), in the largest
/// whole unit: "under a minute", "1 minute", "5 hours", "3 days", "4 months",
/// "2 years"; "in the future" when `then` is after `now`.
std::string age_text(std::int64_t then, std::int64_t now);

/// "online", "offline" or "drive present".
std::string presence_text(platform::RootPresence presence);

/// A byte count for people, in units of 1024 with one decimal below 10:
/// "0 B", "512 B", "1.5 KB", "17 MB", "4.2 TB".
std::string byte_size_text(std::uint64_t bytes);

/// A count for people: "950", "12K", "2.5M", "1.2G".
std::string short_count_text(std::uint64_t count);

/// The total row of a list of overviews: "31 catalogues, 2.5M entries, 4.2 TB"
/// (entries and bytes of the counted ones).
std::string overview_total_text(const std::vector<CatalogueOverview>& overviews);

}  // namespace korvint::search
