#pragma once
// A query made ready to run: the prefilter for whole spans of text, and the
// verification of one candidate line against every term.

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/parse_lines.h"
#include "search/ascii_folds.h"
#include "search/candidate_finder.h"
#include "search/catalogue.h"
#include "search/name_decoder.h"
#include "search/query.h"

namespace korvint::search {

/// The buffers one thread reuses from line to line.
struct MatchScratch {
  explicit MatchScratch(std::string code_page = {}) : decoder(code_page), code_page_name(std::move(code_page)) {}
  NameDecoder decoder;
  std::string code_page_name;
  std::string raw;
  std::string decoded;
  std::string folded_path;
  /// A name's forms: its skeleton, folded with its marks, folded without.
  std::string skeleton;
  std::string name_marks;
  std::string name_no_marks;
  /// The last folder's full path, folded with and without marks, and for each
  /// path: word whether it already holds the word: the files of one folder share them.
  const void* prefix_catalogue = nullptr;
  std::string prefix_folder;
  TextEncoding prefix_encoding = TextEncoding::Ascii;
  bool prefix_known = false;
  std::string prefix_marks;
  std::string prefix_no_marks;
  std::vector<char> in_prefix;
  /// The block of catalogue text being searched, and the prefilter's window.
  std::vector<char> block;
  std::string window;
  /// What the bytes of the code page read as to an ASCII word, made on first need.
  [[nodiscard]] const CodePageForms& code_page_forms();

 private:
  bool code_page_forms_made_ = false;
  CodePageForms code_page_forms_{};
};

class Matcher {
 public:
  explicit Matcher(Query query);
  Matcher(Matcher&&) = default;
  Matcher(const Matcher&) = delete;  // holds pointers into its own terms
  Matcher& operator=(const Matcher&) = delete;

  /// The query it was made from.
  [[nodiscard]] const Query& query() const { return query_; }

  /// False when `in:` terms leave `catalogue` out.
  [[nodiscard]] bool selects(const Catalogue& catalogue) const;

  /// The prefilter: built on the most selective word that must be in the name.
  [[nodiscard]] const CandidateFinder& finder() const { return finder_; }

  /// True when verification needs the entry's folder (a path: word).
  [[nodiscard]] bool needs_folder() const { return needs_folder_; }

  /// When no word must be in the name but one must be in the path: the text
  /// every matching full path holds (folded, each separator a "\"), else
  /// empty. A full path is the folder's path and the name, so a line can
  /// match only when its folder's path holds that text, or its name may hold
  /// what follows the text's last separator. path_finder() finds those names,
  /// and the folder lines whose path may hold the text (they hold what follows
  /// its last separator too).
  [[nodiscard]] std::string_view path_literal() const { return path_literal_; }
  [[nodiscard]] const CandidateFinder& path_finder() const { return path_finder_; }

  /// True when the full path of `folder` (relative, ending in "\"; empty for
  /// the root) in `catalogue` may hold path_literal(), in whatever encoding the
  /// catalogue turns out to have.
  bool folder_may_hold_path_literal(const Catalogue& catalogue, std::string_view folder, MatchScratch& scratch) const;

  /// True when the size, time and type of `entry` leave it possible: its
  /// name and path are not looked at (see catalogue::parse_entry_fields()).
  [[nodiscard]] bool fields_may_match(const catalogue::EntryLine& entry) const;

  /// True when `entry` of `catalogue`, its text read as `encoding`, matches
  /// every term. `folder` is the relative path of the entry's folder (empty for
  /// the root); it is read only when needs_folder().
  bool matches(const Catalogue& catalogue, TextEncoding encoding, const catalogue::EntryLine& entry, std::string_view folder,
               MatchScratch& scratch) const;

 private:
  bool text_matches(const Term& term, std::string_view text) const;
  bool name_matches(TextEncoding encoding, const catalogue::EntryLine& entry, MatchScratch& scratch) const;
  bool path_matches(const Catalogue& catalogue, TextEncoding encoding, const catalogue::EntryLine& entry,
                    std::string_view folder, MatchScratch& scratch) const;

  Query query_;
  std::vector<const Term*> cheap_;  // type, size, date, extension: no text work
  std::vector<const Term*> names_;  // words against the name, those a skeleton decides first
  std::vector<const Term*> paths_;  // words against the full path
  CandidateFinder finder_;
  std::string path_literal_;
  bool path_literal_marks_ = false;
  CandidateFinder path_finder_;
  bool needs_folder_ = false;
};

}  // namespace korvint::search
