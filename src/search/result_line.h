#pragma once
// Results and the search's outcome as text.

#include <cstdint>
#include <string>

#include "search/result_set.h"
#include "search/searcher.h"

namespace korvint::search {

/// Appends "CATALOGUE<TAB>FULL PATH<TAB>SIZE<TAB>YYYY-MM-DD HH:MM:SS" and a line
/// end: the catalogue's name, the path in UTF-8 (a folder's ends with its
/// separator). Appends nothing and says false when the hit's catalogue changed
/// since the search (full_path()).
bool append_result_line(std::string& out, const Catalogue& catalogue, const Hit& hit, NameDecoder& decoder);

/// "N found in M catalogues (K entries) in T ms".
std::string status_summary(const SearchOutcome& outcome, std::uint64_t milliseconds);

/// "NAME: N lines skipped (not in the catalogue format)", empty when none were.
std::string skipped_lines_note(const Catalogue& catalogue);

}  // namespace korvint::search
