#include "jobs/local_time_text.h"

#include "catalogue/calendar_time.h"

namespace korvint::jobs {

std::string local_time_text(std::int64_t local_seconds) {
  std::string text;
  catalogue::append_time_text(text, catalogue::to_calendar(local_seconds, 0));
  return text;
}

}  // namespace korvint::jobs
