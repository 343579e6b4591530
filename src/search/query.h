#pragma once
// The query language: words that must all match an entry, with phrases,
// wildcards, exclusions and filters on path, size, date, extension, type and
// catalogue.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvint::search {

enum class TermKind {
  Text,       ///< a word, phrase or wildcard pattern against the name or path
  Size,       ///< size:  (files only)
  Date,       ///< date:  the entry's date in the catalogue
  Extension,  ///< ext:   (files only)
  Type,       ///< type:file or type:folder
  Catalogue,  ///< in:    the catalogue's name
};

/// One word of a query.
struct Term {
  TermKind kind = TermKind::Text;
  bool negated = false;  ///< "-word": entries that match it are left out
  std::string word;      ///< the word as typed, for messages
  /// Text: the case-folded needle (ASCII letters lowercase); a wildcard pattern when `wildcard`.
  /// Folded without its diacritic marks unless `marks`; with `whole_path`
  /// every "/" is a "\", as in the paths it is compared with.
  std::string needle;
  bool wildcard = false;
  bool whole_path = false;  ///< "path:", or a word that holds "/" or "\": the full path instead of the name
  /// Text: the word has diacritic marks ("café"), so it matches only names
  /// that have them; without (cafe) it matches names with or without them,
  /// which are then compared without their marks.
  bool marks = false;
  /// Size (bytes) and Date (catalogue::CalendarTime::packed()): the inclusive range that matches.
  std::uint64_t low = 0;
  std::uint64_t high = ~std::uint64_t{0};
  /// Extension and Catalogue: case-folded alternatives, any of which matches
  /// (a Catalogue alternative with "*" or "?" is a pattern for the whole name).
  std::vector<std::string> alternatives;
  bool folders = false;  ///< Type: true for type:folder
};

struct Query {
  std::vector<Term> terms;
};

/// Parses the query `text`. A word that cannot be read (an unclosed quote,
/// "size:>abc", "type:disk", a reversed range, an unknown prefix such as
/// "typ:file", ...) gives nullopt and an `error` that names it.
std::optional<Query> parse_query(std::string_view text, std::string& error);

/// `text` case-folded the way names are compared, keeping its diacritic marks.
std::string fold_for_matching(std::string_view text);

/// Every "/" of `text` made a "\": the two separators match each other in paths.
void unify_separators(std::string& text);

}  // namespace korvint::search
