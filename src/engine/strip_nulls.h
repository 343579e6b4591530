#pragma once
// Turns a fixed-size, NUL-terminated text field into a plain string.

#include <string>

namespace korvint::engine {

/// Cuts `OriginalStr` just before its first NUL, stores the result back and returns it.
std::string StripNulls(std::string& OriginalStr);

/// The same for wide text fields.
std::wstring StripNulls(std::wstring& OriginalStr);

}  // namespace korvint::engine
