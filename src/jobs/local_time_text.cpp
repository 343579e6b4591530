#include "jobs/local_time_text.h"

#include <chrono>
#include <cstdio>

#include "engine/catalogue_format.h"

namespace korvint::jobs {

std::string local_time_text(std::int64_t local_seconds) {
  const engine::CalendarTime t = engine::to_calendar(local_seconds, 0);
  char text[48];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return text;
}

std::optional<std::int64_t> parse_local_time_text(std::string_view text) {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  char tail = 0;
  const std::string copy(text);
  if (std::sscanf(copy.c_str(), "%d-%d-%d %d:%d:%d%c", &year, &month, &day, &hour, &minute,
                  &second, &tail) != 6)
    return std::nullopt;
  using namespace std::chrono;
  const year_month_day date{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                            std::chrono::day{static_cast<unsigned>(day)}};
  if (!date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
      second > 59)
    return std::nullopt;
  return sys_days{date}.time_since_epoch().count() * 86400LL + hour * 3600LL + minute * 60LL +
         second;
}

}  // namespace korvint::jobs
