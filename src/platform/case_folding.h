#pragma once
// Caseless comparison of names in any script, by the system's own case data.

#include <string>
#include <string_view>

namespace korvint::platform {

/// Replaces `out` with `text` (UTF-8; malformed bytes become U+FFFD) case-folded,
/// so that two texts that differ only in case give the same bytes. ASCII letters
/// come out in one case, each ASCII character stays one ASCII character, and the
/// result is valid UTF-8. Linux: full Unicode case folding with composition
/// (utf8proc), so "ß" folds like "ss" and a decomposed "ä" like a composed one.
/// Windows: the system's uppercase mapping (what CompareStringOrdinal ignores).
void fold_case(std::string_view text, std::string& out);

}  // namespace korvint::platform
