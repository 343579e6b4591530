#pragma once
// A query made ready to run: the prefilter for whole spans of text, and the
// verification of one candidate line against every term.

#include <string>
#include <string_view>
#include <vector>

#include "search/candidate_finder.h"
#include "search/catalogue.h"
#include "search/catalogue_line.h"
#include "search/name_decoder.h"
#include "search/query.h"

namespace korvint::search {

/// The buffers one thread reuses from line to line.
struct MatchScratch {
  explicit MatchScratch(std::string code_page = {}) : decoder(std::move(code_page)) {}
  NameDecoder decoder;
  std::string raw;
  std::string decoded;
  std::string folded_name;
  std::string folded_path;
};

class Matcher {
 public:
  explicit Matcher(Query query);
  Matcher(Matcher&&) = default;
  Matcher(const Matcher&) = delete;  // holds pointers into its own terms
  Matcher& operator=(const Matcher&) = delete;

  /// False when `in:` terms leave `catalogue` out.
  [[nodiscard]] bool selects(const Catalogue& catalogue) const;

  /// The prefilter: built on the most selective word that must be in the name.
  [[nodiscard]] const CandidateFinder& finder() const { return finder_; }

  /// True when verification needs the entry's folder (a path: word).
  [[nodiscard]] bool needs_folder() const { return needs_folder_; }

  /// True when `entry` of `catalogue` matches every term. `folder` is the
  /// relative path of the entry's folder (empty for the root); it is read only
  /// when needs_folder().
  bool matches(const Catalogue& catalogue, const EntryLine& entry, std::string_view folder,
               MatchScratch& scratch) const;

 private:
  bool text_matches(const Term& term, std::string_view text) const;

  Query query_;
  std::vector<const Term*> cheap_;  // type, size, date, extension: no text work
  std::vector<const Term*> names_;  // words against the name
  std::vector<const Term*> paths_;  // words against the full path
  CandidateFinder finder_;
  bool needs_folder_ = false;
};

}  // namespace korvint::search
