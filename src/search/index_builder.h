#pragma once
// Builds the search index of one catalogue (see search/index_format.h) and
// stores it in the cache folder, written whole to a temporary file, synced
// and renamed over the one before: a reader sees the old index or the new
// one, and two processes building it at once leave one good index.

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "search/catalogue.h"

namespace korvint::search::index {

/// The catalogue's lines a block of the index covers, about.
inline constexpr std::uint64_t kIndexBlockBytes = 32u << 10;

/// A token of names is listed with its entries when at least this many hold it.
inline constexpr std::uint32_t kFrequentEntries = 64;

/// The index of `catalogue` as stored, its file read three times (the
/// counts, the tokens' counts, then the text); nullopt when the catalogue
/// changed while it was read, is held in memory, or `cancel` became true.
/// `frequent_entries` is kFrequentEntries but in tests.
std::optional<std::string> build_index(const Catalogue& catalogue, const std::atomic<bool>* cancel = nullptr,
                                       std::uint64_t block_bytes = kIndexBlockBytes,
                                       std::uint32_t frequent_entries = kFrequentEntries);

/// The path of the index of `catalogue` in `cache_folder` ("" when the
/// catalogue has no file or there is no cache folder).
std::string index_path(std::string_view cache_folder, const Catalogue& catalogue);

/// Builds the index of `catalogue` and stores it at index_path(); the
/// folder is made when missing. Fails, with the reason, when it cannot be
/// built (the catalogue changed) or written.
platform::Status write_index(std::string_view cache_folder, const Catalogue& catalogue,
                             const std::atomic<bool>* cancel = nullptr, std::uint64_t block_bytes = kIndexBlockBytes);

}  // namespace korvint::search::index
