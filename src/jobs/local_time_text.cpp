#include "jobs/local_time_text.h"

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

}  // namespace korvint::jobs
