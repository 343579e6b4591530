#include "search/matcher.h"

#include <algorithm>

#include "platform/case_folding.h"
#include "search/text_match.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

// The longest run of a wildcard pattern without "*" or "?": a needle every
// matching name contains.
std::string_view longest_literal(std::string_view pattern) {
  std::string_view best;
  std::size_t start = 0;
  while (start <= pattern.size()) {
    auto cut = pattern.find_first_of("*?", start);
    if (cut == std::string_view::npos) cut = pattern.size();
    if (cut - start > best.size()) best = pattern.substr(start, cut - start);
    start = cut + 1;
  }
  return best;
}

bool is_ascii(std::string_view text) {
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  return high < 0x80;
}

// A word whose needle is ASCII and holds no wildcard: the skeleton of a name
// decides it exactly (see ascii_folds.h).
bool skeleton_decides(const Term& term) { return !term.wildcard && is_ascii(term.needle); }

platform::Marks marks_of(const Term& term) { return term.marks ? platform::Marks::Keep : platform::Marks::Drop; }

// Folds `raw` (text of a catalogue in `encoding`) into `out` for comparing;
// ASCII text needs no folding: comparisons ignore ASCII case.
std::string_view folded(TextEncoding encoding, std::string_view raw, bool ascii, platform::Marks marks,
                        MatchScratch& scratch, std::string& out) {
  if (ascii) return raw;
  scratch.decoder.decode(encoding, raw, scratch.decoded);
  platform::fold_for_search(scratch.decoded, out, marks);
  return out;
}

}  // namespace

Matcher::Matcher(Query query) : query_(std::move(query)) {
  const Term* best = nullptr;
  std::string_view best_needle;
  for (const Term& term : query_.terms) {
    switch (term.kind) {
      case TermKind::Text:
        (term.whole_path ? paths_ : names_).push_back(&term);
        if (!term.negated && !term.whole_path) {
          const std::string_view needle = term.wildcard ? longest_literal(term.needle) : std::string_view(term.needle);
          if (needle.empty()) break;
          if (best == nullptr || CandidateFinder::rarity(needle) < CandidateFinder::rarity(best_needle) ||
              (CandidateFinder::rarity(needle) == CandidateFinder::rarity(best_needle) &&
               needle.size() > best_needle.size())) {
            best = &term;
            best_needle = needle;
          }
        }
        break;
      case TermKind::Catalogue:
        break;
      default:
        cheap_.push_back(&term);
    }
  }
  // The words a name's skeleton decides go first: they need no folding.
  std::stable_partition(names_.begin(), names_.end(), [](const Term* term) { return skeleton_decides(*term); });
  needs_folder_ = !paths_.empty();
  if (best != nullptr) {
    finder_ = CandidateFinder(best_needle);
    return;
  }
  // No word must be in the name: the most selective word that must be in the path.
  for (const Term* term : paths_) {
    if (term->negated) continue;
    const std::string_view literal = term->wildcard ? longest_literal(term->needle) : std::string_view(term->needle);
    if (literal.empty()) continue;
    if (path_literal_.empty() || CandidateFinder::rarity(literal) < CandidateFinder::rarity(path_literal_) ||
        (CandidateFinder::rarity(literal) == CandidateFinder::rarity(path_literal_) &&
         literal.size() > path_literal_.size())) {
      path_literal_ = std::string(literal);
      path_literal_marks_ = term->marks;
    }
  }
  if (path_literal_.empty()) return;
  const auto separator = path_literal_.find_last_of('\\');
  const std::string_view tail =
      separator == std::string::npos ? std::string_view(path_literal_) : std::string_view(path_literal_).substr(separator + 1);
  // With nothing after the last separator only a backslash can bring the
  // text into a name: every one is a candidate then.
  path_finder_ = CandidateFinder(tail, tail.empty() ? '\\' : '\0');
}

const CodePageForms& MatchScratch::code_page_forms() {
  if (!code_page_forms_made_) {
    code_page_forms_ = search::code_page_forms(code_page_name);
    code_page_forms_made_ = true;
  }
  return code_page_forms_;
}

bool Matcher::folder_may_hold_path_literal(const Catalogue& catalogue, std::string_view folder,
                                           MatchScratch& scratch) const {
  scratch.raw.clear();
  append_raw_path(scratch.raw, catalogue, folder, {});
  unify_separators(scratch.raw);
  if (is_ascii(scratch.raw)) return contains_caseless(scratch.raw, path_literal_);
  if (is_ascii(path_literal_) && contains_caseless(scratch.raw, path_literal_)) return true;
  // Folded as the catalogue's text will be read: in UTF-8 or the code page
  // while its encoding is not known yet.
  const platform::Marks marks = path_literal_marks_ ? platform::Marks::Keep : platform::Marks::Drop;
  const TextEncoding encodings[] = {TextEncoding::Utf8, TextEncoding::CodePage};
  for (const TextEncoding encoding : encodings) {
    if (catalogue.encoding_known() ? encoding != catalogue.encoding()
                                   : encoding == TextEncoding::Utf8 && !is_valid_utf8(scratch.raw))
      continue;
    if (contains_caseless(folded(encoding, scratch.raw, false, marks, scratch, scratch.folded_path), path_literal_))
      return true;
  }
  return false;
}

bool Matcher::selects(const Catalogue& catalogue) const {
  std::string name;
  for (const Term& term : query_.terms) {
    if (term.kind != TermKind::Catalogue) continue;
    if (name.empty()) name = fold_for_matching(catalogue.name());
    bool any = false;
    for (const std::string& alternative : term.alternatives) {
      const bool pattern = alternative.find_first_of("*?") != std::string::npos;
      any = any || (pattern ? wildcard_match(name, alternative) : contains_caseless(name, alternative));
    }
    if (any == term.negated) return false;
  }
  return true;
}

bool Matcher::text_matches(const Term& term, std::string_view text) const {
  return term.wildcard ? wildcard_match(text, term.needle) : contains_caseless(text, term.needle);
}

namespace {

// The verdict of a size:, date: or type: term on `entry`.
bool field_term_holds(const Term& term, const catalogue::EntryLine& entry) {
  switch (term.kind) {
    case TermKind::Type:
      return entry.is_folder == term.folders;
    case TermKind::Size:
      return !entry.is_folder && entry.size >= term.low && entry.size <= term.high;
    case TermKind::Date: {
      const std::uint64_t stamp = entry.time.packed();
      return stamp >= term.low && stamp <= term.high;
    }
    default:
      return false;
  }
}

}  // namespace

bool Matcher::fields_may_match(const catalogue::EntryLine& entry) const {
  for (const Term* term : cheap_) {
    if (term->kind == TermKind::Extension) {
      // A file's name is its path. An ASCII extension reads the same in any
      // encoding and folds to its lowercase: it is decided here.
      const auto dot = entry.path.rfind('.');
      bool hit = false;
      if (!entry.is_folder && dot != std::string_view::npos && dot != 0) {
        const std::string_view extension = entry.path.substr(dot + 1);
        if (!is_ascii(extension)) continue;
        for (const std::string& alternative : term->alternatives) hit = hit || equals_caseless(extension, alternative);
      }
      if (hit == term->negated) return false;
    } else if (field_term_holds(*term, entry) == term->negated) {
      return false;
    }
  }
  return true;
}

bool Matcher::name_matches(TextEncoding encoding, const catalogue::EntryLine& entry, MatchScratch& scratch) const {
  // An ASCII name is compared as it is. Otherwise each form is made when a
  // word first needs it: the skeleton for ASCII words (they come first), the
  // decoded name folded with or without marks for the others.
  bool skeleton_made = false;
  bool decoded = false;
  bool with_marks = false;
  bool without_marks = false;
  for (const Term* term : names_) {
    std::string_view text = entry.name;
    if (!entry.ascii) {
      if (!decoded && (!skeleton_decides(*term) || encoding == TextEncoding::CodePage)) {
        scratch.decoder.decode(encoding, entry.name, scratch.decoded);
        decoded = true;
      }
      const std::string_view utf8 = decoded ? std::string_view(scratch.decoded) : entry.name;
      if (skeleton_decides(*term)) {
        if (!skeleton_made) {
          scratch.skeleton.clear();
          append_skeleton(utf8, scratch.skeleton);
          skeleton_made = true;
        }
        text = scratch.skeleton;
      } else if (term->marks) {
        if (!with_marks) platform::fold_for_search(utf8, scratch.name_marks, platform::Marks::Keep);
        with_marks = true;
        text = scratch.name_marks;
      } else {
        if (!without_marks) platform::fold_for_search(utf8, scratch.name_no_marks, platform::Marks::Drop);
        without_marks = true;
        text = scratch.name_no_marks;
      }
    }
    if (text_matches(*term, text) == term->negated) return false;
  }
  return true;
}

bool Matcher::path_matches(const Catalogue& catalogue, TextEncoding encoding, const catalogue::EntryLine& entry,
                           std::string_view folder, MatchScratch& scratch) const {
  if (entry.is_folder) {
    scratch.raw.clear();
    append_raw_path(scratch.raw, catalogue, entry.path, {});
    unify_separators(scratch.raw);
    const bool ascii = is_ascii(scratch.raw);
    for (const Term* term : paths_) {
      const std::string_view path = folded(encoding, scratch.raw, ascii, marks_of(*term), scratch, scratch.folded_path);
      if (text_matches(*term, path) == term->negated) return false;
    }
    return true;
  }
  if (!scratch.prefix_known || scratch.prefix_catalogue != &catalogue || scratch.prefix_folder != folder ||
      scratch.prefix_encoding != encoding) {
    scratch.prefix_known = true;
    scratch.prefix_catalogue = &catalogue;
    scratch.prefix_folder.assign(folder);
    scratch.prefix_encoding = encoding;
    scratch.raw.clear();
    append_raw_path(scratch.raw, catalogue, folder, {});
    unify_separators(scratch.raw);
    const bool ascii = is_ascii(scratch.raw);
    scratch.prefix_marks = folded(encoding, scratch.raw, ascii, platform::Marks::Keep, scratch, scratch.folded_path);
    scratch.prefix_no_marks = folded(encoding, scratch.raw, ascii, platform::Marks::Drop, scratch, scratch.folded_path);
    scratch.in_prefix.assign(paths_.size(), 0);
    for (std::size_t i = 0; i < paths_.size(); ++i) {
      const std::string& prefix = paths_[i]->marks ? scratch.prefix_marks : scratch.prefix_no_marks;
      scratch.in_prefix[i] = !paths_[i]->wildcard && contains_caseless(prefix, paths_[i]->needle);
    }
  }
  // The folder's path ends in a separator, so folding it and the name apart
  // gives the folded full path. A word is in the folder's path already, or it
  // must reach into the name: only the end of the folder's path is read again.
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    const Term& term = *paths_[i];
    bool hit = scratch.in_prefix[i] != 0;
    if (!hit) {
      const std::string& prefix = term.marks ? scratch.prefix_marks : scratch.prefix_no_marks;
      std::string& name_form = term.marks ? scratch.name_marks : scratch.name_no_marks;
      const std::string_view name = folded(encoding, entry.name, entry.ascii, marks_of(term), scratch, name_form);
      const std::size_t keep = term.wildcard ? prefix.size() : std::min(prefix.size(), term.needle.size() - 1);
      scratch.raw.assign(prefix, prefix.size() - keep, keep);
      scratch.raw += name;
      hit = text_matches(term, scratch.raw);
    }
    if (hit == term.negated) return false;
  }
  return true;
}

bool Matcher::matches(const Catalogue& catalogue, TextEncoding encoding, const catalogue::EntryLine& entry,
                      std::string_view folder, MatchScratch& scratch) const {
  for (const Term* term : cheap_) {
    bool hit = false;
    switch (term->kind) {
      case TermKind::Type:
      case TermKind::Size:
      case TermKind::Date:
        hit = field_term_holds(*term, entry);
        break;
      case TermKind::Extension: {
        const auto dot = entry.name.rfind('.');
        if (entry.is_folder || dot == std::string_view::npos || dot == 0) break;
        const std::string_view extension = folded(encoding, entry.name.substr(dot + 1), entry.ascii,
                                                  platform::Marks::Keep, scratch, scratch.name_marks);
        for (const std::string& alternative : term->alternatives) hit = hit || equals_caseless(extension, alternative);
        break;
      }
      default:
        break;
    }
    if (hit == term->negated) return false;
  }
  if (!names_.empty() && !name_matches(encoding, entry, scratch)) return false;
  return paths_.empty() || path_matches(catalogue, encoding, entry, folder, scratch);
}

}  // namespace korvint::search
