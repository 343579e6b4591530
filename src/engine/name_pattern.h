#pragma once
// File-name patterns of the file pass: "*" any run of characters, "?" any one
// character, letters compared without regard to ASCII case; "*.*" matches every name.

#include <string_view>

namespace korvint::engine {

/// True when `name` matches `pattern`.
bool matches_pattern(std::string_view pattern, std::string_view name);

}  // namespace korvint::engine
