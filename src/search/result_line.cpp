#include "platform/per_thread.h"
#include "search/result_line.h"

#include <charconv>

namespace korvint::search {
namespace {

// 1234567 -> "1,234,567", for counts people read.
std::string grouped(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (auto i = static_cast<std::ptrdiff_t>(digits.size()) - 3; i > 0; i -= 3)
    digits.insert(static_cast<std::size_t>(i), ",");
  return digits;
}

std::string plural(std::uint64_t count, const char* one, const char* many) {
  return grouped(count) + " " + (count == 1 ? one : many);
}

}  // namespace

bool append_result_line(std::string& out, const Catalogue& catalogue, const Hit& hit, NameDecoder& decoder) {
  thread_local platform::PerThread<std::string> path_slot;
  std::string& path = path_slot.get();
  if (!full_path(catalogue, hit, decoder, path)) return false;
  out += catalogue.name();
  out += '\t';
  out += path;
  out += '\t';
  char digits[24];
  const auto end = std::to_chars(std::begin(digits), std::end(digits), hit.size).ptr;
  out.append(digits, end);
  out += '\t';
  catalogue::append_time_text(out, hit.time());
  out += '\n';
  return true;
}

std::string status_summary(const SearchOutcome& outcome, std::uint64_t milliseconds) {
  return grouped(outcome.found) + " found in " +
         plural(outcome.searched_catalogues, "catalogue", "catalogues") + " (" +
         plural(outcome.searched_entries, "entry", "entries") + ") in " + grouped(milliseconds) + " ms";
}

std::string skipped_lines_note(const Catalogue& catalogue) {
  if (!catalogue.counts() || catalogue.counts()->skipped == 0) return {};
  return catalogue.name() + ": " + plural(catalogue.counts()->skipped, "line", "lines") +
         " skipped (not in the catalogue format)";
}

}  // namespace korvint::search
