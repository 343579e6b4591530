#include "search/matcher.h"

#include "platform/case_folding.h"
#include "search/text_match.h"

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

// Folds `raw` (text of a catalogue in `encoding`) into `out` for comparing;
// ASCII text needs no folding: comparisons ignore ASCII case.
std::string_view folded(const Catalogue& catalogue, std::string_view raw, bool ascii, MatchScratch& scratch,
                        std::string& out) {
  if (ascii) return raw;
  scratch.decoder.decode(catalogue.encoding(), raw, scratch.decoded);
  platform::fold_case(scratch.decoded, out);
  return out;
}

bool is_ascii(std::string_view text) {
  unsigned char high = 0;
  for (const char c : text) high |= static_cast<unsigned char>(c);
  return high < 0x80;
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
  needs_folder_ = !paths_.empty();
  if (best != nullptr) finder_ = CandidateFinder(best_needle);
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

bool Matcher::matches(const Catalogue& catalogue, const EntryLine& entry, std::string_view folder,
                      MatchScratch& scratch) const {
  for (const Term* term : cheap_) {
    bool hit = false;
    switch (term->kind) {
      case TermKind::Type:
        hit = entry.is_folder == term->folders;
        break;
      case TermKind::Size:
        hit = !entry.is_folder && entry.size >= term->low && entry.size <= term->high;
        break;
      case TermKind::Date: {
        const std::uint64_t stamp = entry.time.packed();
        hit = stamp >= term->low && stamp <= term->high;
        break;
      }
      case TermKind::Extension: {
        const auto dot = entry.name.rfind('.');
        if (entry.is_folder || dot == std::string_view::npos || dot == 0) break;
        const std::string_view extension =
            folded(catalogue, entry.name.substr(dot + 1), entry.ascii, scratch, scratch.folded_name);
        for (const std::string& alternative : term->alternatives) hit = hit || equals_caseless(extension, alternative);
        break;
      }
      default:
        break;
    }
    if (hit == term->negated) return false;
  }
  if (!names_.empty()) {
    const std::string_view name = folded(catalogue, entry.name, entry.ascii, scratch, scratch.folded_name);
    for (const Term* term : names_)
      if (text_matches(*term, name) == term->negated) return false;
  }
  if (!paths_.empty()) {
    scratch.raw.clear();
    if (entry.is_folder) {
      append_raw_path(scratch.raw, catalogue, entry.path, {});
    } else {
      append_raw_path(scratch.raw, catalogue, folder, entry.name);
    }
    const std::string_view path = folded(catalogue, scratch.raw, is_ascii(scratch.raw), scratch, scratch.folded_path);
    for (const Term* term : paths_)
      if (text_matches(*term, path) == term->negated) return false;
  }
  return true;
}

}  // namespace korvint::search
