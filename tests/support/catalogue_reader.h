#pragma once
// Reads a catalogue back into its structure, so tests on real folders (whose
// listing order the platform decides) can compare content and check the order rules.

#include <map>
#include <set>
#include <string>

namespace korvint::test {

struct ParsedCatalogue {
  std::string header;
  /// Folder relative path ("" for the root) -> its file lines.
  std::map<std::string, std::multiset<std::string>> files;
  /// Folder lines, whole, without CR LF.
  std::multiset<std::string> folder_lines;
  /// Empty when the structure holds: CR LF everywhere, every line one that
  /// the search reads (catalogue/parse_lines.h), every folder's parent named before it. File lines belong to the folder line
  /// above them, so comparing `files` also checks that files come before sub-folders.
  std::string problem;
};

/// Parses `catalogue`.
ParsedCatalogue parse_catalogue(const std::string& catalogue);

}  // namespace korvint::test
