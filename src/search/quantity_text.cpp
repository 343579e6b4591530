#include "search/quantity_text.h"

#include <cstddef>
#include <cstdio>

namespace korvint::search {

namespace {

// `value` scaled down by `unit` until it is below it, with one decimal below
// 10 of a unit: "950", "1.5K", "17K".
std::string scaled(std::uint64_t value, std::uint64_t unit, const char* const* suffixes, std::size_t count) {
  if (value < unit) return std::to_string(value) + suffixes[0];
  double amount = static_cast<double>(value);
  std::size_t step = 0;
  while (amount >= static_cast<double>(unit) && step + 1 < count) {
    amount /= static_cast<double>(unit);
    ++step;
  }
  if (amount >= 9.95 && amount + 0.5 >= static_cast<double>(unit) && step + 1 < count) {
    amount /= static_cast<double>(unit);  // 1023.7 KB shows as "1.0 MB", not "1024 KB"
    ++step;
  }
  char text[32];
  // Rounded as printed: 9.96 shows as "10", never "10.0".
  if (amount < 9.95)
    std::snprintf(text, sizeof text, "%.1f%s", amount, suffixes[step]);
  else
    std::snprintf(text, sizeof text, "%.0f%s", amount, suffixes[step]);
  return text;
}

}  // namespace

std::string byte_size_text(std::uint64_t bytes) {
  static constexpr const char* kUnits[] = {" B", " KB", " MB", " GB", " TB", " PB", " EB"};
  return scaled(bytes, 1024, kUnits, std::size(kUnits));
}

std::string short_count_text(std::uint64_t count) {
  static constexpr const char* kUnits[] = {"", "K", "M", "G", "T", "P", "E"};
  return scaled(count, 1000, kUnits, std::size(kUnits));
}

}  // namespace korvint::search
