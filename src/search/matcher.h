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
  /// The last folder's full path, folded, and for each path: word whether it
  /// already holds the word: the files of one folder share them.
  const void* prefix_catalogue = nullptr;
  const char* prefix_folder = nullptr;
  std::size_t prefix_size = 0;
  TextEncoding prefix_encoding = TextEncoding::Ascii;
  std::string prefix;
  std::vector<char> in_prefix;
  /// For each character of the Basic Multilingual Plane: 0 not known yet, 1
  /// its folded form is all non-ASCII, 2 it holds ASCII (like "ß" -> "ss").
  std::vector<unsigned char> folds_into_ascii = std::vector<unsigned char>(0x10000, 0);
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

  /// True when `entry` of `catalogue`, its text read as `encoding`, matches
  /// every term. `folder` is the relative path of the entry's folder (empty for
  /// the root); it is read only when needs_folder().
  bool matches(const Catalogue& catalogue, TextEncoding encoding, const EntryLine& entry, std::string_view folder,
               MatchScratch& scratch) const;

 private:
  bool text_matches(const Term& term, std::string_view text) const;
  // True when a word that must be in the name cannot be in it, found without
  // folding the (non-ASCII) name.
  bool surely_missing(TextEncoding encoding, std::string_view name, MatchScratch& scratch) const;

  Query query_;
  std::vector<const Term*> cheap_;  // type, size, date, extension: no text work
  std::vector<const Term*> names_;  // words against the name
  std::vector<const Term*> paths_;  // words against the full path
  std::vector<const Term*> ascii_words_;  // words without wildcards or non-ASCII that must be in the name
  CandidateFinder finder_;
  bool needs_folder_ = false;
};

}  // namespace korvint::search
