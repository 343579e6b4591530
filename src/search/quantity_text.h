#pragma once
// Sizes and counts written for people, in the few characters a column or a
// summary line has.

#include <cstdint>
#include <string>

namespace korvint::search {

/// A byte count for people, in units of 1024 with one decimal below 10:
/// "0 B", "512 B", "1.5 KB", "17 MB", "4.2 TB".
std::string byte_size_text(std::uint64_t bytes);

/// A count for people: "950", "12K", "2.5M", "1.2G".
std::string short_count_text(std::uint64_t count);

}  // namespace korvint::search
