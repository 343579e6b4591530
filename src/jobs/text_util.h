#pragma once
// Small text helpers of the handlers.

#include <string>
#include <string_view>

namespace korvint::jobs {

/// `text` without leading and trailing spaces (only the space character).
std::string trim_spaces(std::string_view text);

}  // namespace korvint::jobs
