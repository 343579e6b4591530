#include "search/index_ext_search.h"

#include <algorithm>
#include <iterator>

#include "search/index_ext.h"
#include "search/sorted_lists.h"

namespace korvint::search::index {
namespace {

using List = SortedList;

// The blocks whose text may hold ".`extension`" (as the trigrams of every
// name tell it: an extension too rare to be listed); every block when it is
// too short for a trigram. nullopt when the index is damaged.
std::optional<List> blocks_that_may_hold(const IndexFile& index, const std::string& extension) {
  std::vector<Trigram> keys;
  add_trigrams("." + extension, keys);
  if (keys.empty()) {
    List every(index.header().block_count);
    for (std::uint32_t b = 0; b < every.size(); ++b) every[b] = b;
    return every;
  }
  std::optional<List> blocks;
  for (const Trigram key : keys) {
    const auto plain = index.blocks_of(key);
    const auto rare = index.blocks_of(key | kRareTag);
    if (!plain || !rare) return std::nullopt;
    const List either = joined(*plain, *rare);
    if (!blocks) {
      blocks = either;
    } else {
      blocks = common(*blocks, either);
    }
  }
  return blocks;
}

bool is_ascii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The candidates of one ask.
std::optional<Candidates> candidates_of(const IndexFile& index, const WordTable& words, const ExtensionTable& table,
                                        const ExtensionAsk& ask, const List& not_ascii, const List& not_for_ext,
                                        const List& every_word) {
  Candidates found;
  for (const std::string& extension : ask.extensions) {
    // The text after a name's last dot holds no dot; when it is ASCII it
    // folds to its lowercase, in any encoding: it can only be an ASCII
    // extension without a dot. Those of the other names are `not_ascii`.
    if (extension.empty() || !is_ascii(extension) || extension.find('.') != std::string::npos) continue;
    if (const ExtensionRow* row = extension.size() <= kLongestExtension ? table.of_extension(extension) : nullptr) {
      auto entries = entries_of(index, words, *row);
      if (!entries) return std::nullopt;
      if (ask.for_ext) *entries = without(*entries, not_for_ext);
      List& into = ask.whole ? found.certain : found.uncertain;
      into = joined(into, *entries);
    } else {
      const auto blocks = blocks_that_may_hold(index, extension);
      if (!blocks) return std::nullopt;
      found.blocks = joined(found.blocks, joined(*blocks, every_word));
    }
  }
  found.uncertain = without(joined(found.uncertain, not_ascii), found.certain);
  return found;
}

// True when the entries of the one extension of `ask`, which they may match
// but not for certain, are few enough to leave blocks out: else their list
// costs more to read than it saves (the pattern's own runs narrow as much),
// and an extension too rare to be listed is narrowed by those runs' trigrams.
bool narrows(const WordTable& words, const ExtensionTable& table, const ExtensionAsk& ask, std::uint32_t blocks) {
  if (ask.extensions.size() != 1 || ask.extensions[0].size() > kLongestExtension) return false;
  const ExtensionRow* row = table.of_extension(ask.extensions[0]);
  const auto count = row != nullptr ? entry_count(words, *row) : std::nullopt;
  return count && *count <= blocks / 2;
}

}  // namespace

std::optional<ExtensionAsk> extension_ask(const Term& term) {
  if (term.negated) return std::nullopt;
  ExtensionAsk ask;
  if (term.kind == TermKind::Extension) {
    ask.extensions = term.alternatives;
    ask.for_ext = true;
    ask.whole = true;
    return ask;
  }
  if (term.kind != TermKind::Text || !term.wildcard || term.whole_path) return std::nullopt;
  // The pattern matches the whole name: a name it takes ends with ".x".
  const std::string& needle = term.needle;
  const auto dot = needle.rfind('.');
  if (dot == std::string::npos || dot + 1 == needle.size() ||
      needle.find_first_of("*?", dot) != std::string::npos)
    return std::nullopt;
  ask.extensions.push_back(needle.substr(dot + 1));
  ask.whole = dot == 1 && needle[0] == '*';
  return ask;
}

std::optional<std::optional<Candidates>> extension_candidates(const IndexFile& index, const WordTable& words,
                                                              const std::vector<ExtensionAsk>& asks,
                                                              const std::vector<std::uint32_t>& every_word) {
  if (asks.empty()) return std::optional<Candidates>();
  const auto table = read_extensions(index);
  if (!table) return std::nullopt;
  const ExtensionRow* not_ascii_row = table->find(ExtensionRow::kNotAscii, "");
  const ExtensionRow* not_for_ext_row = table->find(ExtensionRow::kNotForExt, "");
  if (not_ascii_row == nullptr || not_for_ext_row == nullptr) return std::nullopt;
  const auto not_ascii = entries_of(index, words, *not_ascii_row);
  const auto not_for_ext = entries_of(index, words, *not_for_ext_row);
  if (!not_ascii || !not_for_ext) return std::nullopt;
  std::optional<Candidates> all;
  for (const ExtensionAsk& ask : asks) {
    if (!ask.whole && !narrows(words, *table, ask, index.header().block_count)) continue;
    auto found = candidates_of(index, words, *table, ask, *not_ascii, *not_for_ext, every_word);
    if (!found) return std::nullopt;
    all = all ? both(*all, *found, words) : std::move(*found);
  }
  return all;
}

}  // namespace korvint::search::index
