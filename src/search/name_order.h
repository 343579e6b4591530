#pragma once
// The order people expect of names, as the file managers of both systems sort
// them: by the text folded as the search compares it (without case, marks
// second), whatever the catalogue's encoding, with runs of digits compared as
// numbers ("disk 9" before "disk 10").

#include <string>
#include <string_view>

namespace korvint::search {

/// Appends the sort key of `utf8` (decoded text) to `out`: the text folded
/// without marks, then, when that differs from the text folded with them, a
/// NUL byte and the latter, so that "Arger" comes before "Ärger" and both
/// before "Ärgerlich". An ASCII text is its own key (compare_natural() ignores
/// ASCII case) and needs none.
void append_sort_key(std::string_view utf8, std::string& out);

/// Compares two sort keys (or ASCII texts): negative when `a` sorts first,
/// zero when they sort alike, positive otherwise. ASCII letters compare
/// without case and runs of digits by their value ("9" before "10"; of equal
/// values the one with fewer leading zeros first); other bytes by their value.
int compare_natural(std::string_view a, std::string_view b);

}  // namespace korvint::search
