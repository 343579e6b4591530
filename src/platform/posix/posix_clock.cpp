#include <ctime>

#include "platform/clock.h"

namespace korvint::platform {

std::int64_t current_utc_offset_seconds() {
  const std::time_t now = std::time(nullptr);
  std::tm local {};
  if (::localtime_r(&now, &local) == nullptr) return 0;
  return local.tm_gmtoff;
}

std::int64_t now_utc_seconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace korvint::platform
