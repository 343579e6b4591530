#include "search/catalogue_overview.h"

#include <cstdio>

#include "catalogue/calendar_time.h"
#include "platform/clock.h"
#include "platform/desktop_files.h"

namespace korvint::search {

CatalogueOverview catalogue_overview(const Catalogue& catalogue, NameDecoder& decoder) {
  CatalogueOverview overview;
  overview.name = catalogue.name();
  decoder.decode(catalogue.encoding(), catalogue.root(), overview.root);
  if (const auto& counts = catalogue.counts()) {
    overview.counted = true;
    overview.files = counts->files;
    overview.folders = counts->folders;
    overview.bytes = counts->bytes;
    overview.skipped = counts->skipped;
  }
  overview.written = platform::local_write_time(catalogue.path());
  // The system's paths are bytes on POSIX (the root as stored) and UTF-8 on
  // Windows (the root decoded from the code page it was written in).
#ifdef _WIN32
  overview.medium = platform::root_presence(overview.root);
#else
  overview.medium = platform::root_presence(catalogue.root());
#endif
  return overview;
}

std::int64_t local_seconds_now() {
  return platform::now_utc_seconds() + platform::current_utc_offset_seconds();
}

std::string local_seconds_text(std::int64_t local_seconds) {
  std::string text;
  catalogue::append_time_text(text, catalogue::to_calendar(local_seconds, 0));
  return text;
}

std::string age_text(std::int64_t then, std::int64_t now) {
  if (then > now) return "in the future";
  const std::int64_t seconds = now - then;
  const std::int64_t days = seconds / 86400;
  auto counted = [](std::int64_t number, const char* unit) {
    return std::to_string(number) + " " + unit + (number == 1 ? "" : "s");
  };
  if (seconds < 60) return "under a minute";
  if (seconds < 3600) return counted(seconds / 60, "minute");
  if (days < 1) return counted(seconds / 3600, "hour");
  if (days < 31) return counted(days, "day");
  // A month and a year by their average lengths, so the text never jumps back.
  if (days < 365) return counted(days * 12 / 365 < 1 ? 1 : days * 12 / 365, "month");
  return counted(days * 100 / 36525 < 1 ? 1 : days * 100 / 36525, "year");
}

std::string presence_text(platform::RootPresence presence) {
  switch (presence) {
    case platform::RootPresence::Folder:
      return "online";
    case platform::RootPresence::DrivePresent:
      return "drive present";
    case platform::RootPresence::Absent:
      break;
  }
  return "offline";
}

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

std::string overview_total_text(const std::vector<CatalogueOverview>& overviews) {
  std::uint64_t entries = 0;
  std::uint64_t bytes = 0;
  for (const CatalogueOverview& overview : overviews) {
    entries += overview.files + overview.folders;
    bytes += overview.bytes;
  }
  const std::size_t count = overviews.size();
  return std::to_string(count) + (count == 1 ? " catalogue, " : " catalogues, ") + short_count_text(entries) +
         (entries == 1 ? " entry, " : " entries, ") + byte_size_text(bytes);
}

}  // namespace korvint::search
