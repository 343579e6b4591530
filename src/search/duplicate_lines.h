#pragma once
// The lines of duplicates as the command line writes them: made in the
// groups' order from lines read forward through each catalogue, a large
// batch at a time, so the catalogues are read again a few times at most
// however many files the groups hold.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "search/catalogue.h"
#include "search/result_set.h"

namespace korvint::search {

/// Hands `write` the line "GROUP<TAB>CATALOGUE<TAB>FULL PATH<TAB>SIZE<TAB>YYYY-MM-DD HH:MM:SS"
/// of every file of `files` (grouped as Duplicates::files are; group n, from
/// 1, starts at `group_starts[n - 1]`), in their order, in pieces of whole
/// lines; stops once `write` says false. Each batch of files is read forward
/// through `catalogues` on `threads` threads and its names and folders kept
/// raw until written: a batch, with the lines made from it, holds about
/// `memory` bytes (32 a file and its folder's path and name).
/// Returns the number of files left out because their catalogue changed.
std::uint64_t write_duplicate_lines(const std::vector<std::shared_ptr<const Catalogue>>& catalogues,
                                    std::span<const Hit> files, std::span<const std::uint32_t> group_starts,
                                    const std::string& code_page, unsigned threads, std::size_t memory,
                                    const std::function<bool(std::string_view)>& write);

}  // namespace korvint::search
