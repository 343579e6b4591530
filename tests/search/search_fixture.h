#pragma once
// Catalogues for the search tests, made from their lines.

#include <memory>
#include <string>
#include <vector>

#include "search/catalogue.h"
#include "search/searcher.h"

namespace korvint::test {

/// The catalogue text: `header` and every line, each ended by CR LF.
inline std::string catalogue_text(const std::string& header, const std::vector<std::string>& lines) {
  std::string text = header + "\r\n";
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

/// A catalogue held in memory; fails the test when it is not one.
std::shared_ptr<search::Catalogue> make_catalogue(const std::string& name, const std::string& text);

/// The search tests' catalogues: "photos" (UTF-8, Windows root), "backup"
/// (Windows-1252, the same names) and "home" (a POSIX root).
std::vector<std::shared_ptr<search::Catalogue>> sample_catalogues();

/// A search run to its end, every result kept.
struct Collected {
  search::SearchOutcome outcome;
  search::ResultSet results;
};
Collected collect(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues, const search::Matcher& matcher,
                  const search::SearchOptions& options = {}, const std::atomic<bool>* cancel = nullptr);

/// Runs `query` over `catalogues` and gives "CATALOGUE<TAB>FULL PATH" per result.
std::vector<std::string> search_paths(const std::vector<std::shared_ptr<search::Catalogue>>& catalogues,
                                      const std::string& query, std::uint64_t chunk_bytes = 4u << 20);

}  // namespace korvint::test
