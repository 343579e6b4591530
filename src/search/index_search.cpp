#include "search/index_search.h"

#include <algorithm>

#include "search/ascii_folds.h"
#include "search/index_builder.h"
#include "search/index_candidates.h"
#include "search/index_pool.h"
#include "search/index_reader.h"
#include "search/index_words.h"
#include "search/sorted_lists.h"
#include "search/text_match.h"
#include "search/utf8.h"

namespace korvint::search::index {
namespace {

void sort_unique(std::vector<Trigram>& trigrams) {
  std::sort(trigrams.begin(), trigrams.end());
  trigrams.erase(std::unique(trigrams.begin(), trigrams.end()), trigrams.end());
}

// True when a block with `info` may hold an entry that every term of `fields` lets through.
bool fields_may_hold(const BlockInfo& info, const std::vector<const Term*>& fields) {
  if ((info.flags & (kHasFiles | kHasFolders)) == 0) return false;  // no entry at all
  for (const Term* term : fields) {
    switch (term->kind) {
      case TermKind::Size:
        if ((info.flags & kHasFiles) == 0 || info.max_size < term->low || info.min_size > term->high) return false;
        break;
      case TermKind::Date:
        if (info.max_time < term->low || info.min_time > term->high) return false;
        break;
      case TermKind::Type:
        if ((info.flags & (term->folders ? kHasFolders : kHasFiles)) == 0) return false;
        break;
      case TermKind::Extension:
        if ((info.flags & kHasFiles) == 0) return false;
        break;
      default:
        break;
    }
  }
  return true;
}

// The trigrams of the root as an ASCII word reads it; nullopt when its text
// reads otherwise in some encoding (a code page's).
std::optional<std::vector<Trigram>> root_trigrams(const Catalogue& catalogue) {
  const std::string_view root = catalogue.root();
  std::string skeleton;
  if (catalogue.root_ascii()) {
    for (const char c : root) skeleton.push_back(ascii_lower(c));
  } else if (catalogue.encoding() == TextEncoding::Utf8 && is_valid_utf8(root)) {
    append_skeleton(root, skeleton);
  } else {
    return std::nullopt;
  }
  std::vector<Trigram> trigrams;
  add_trigrams(skeleton, trigrams);
  sort_unique(trigrams);
  return trigrams;
}

}  // namespace

std::vector<std::string> literal_runs(const Term& term) {
  std::vector<std::string> runs;
  if (term.kind != TermKind::Text || term.negated || term.marks) return runs;
  std::string run;
  auto end_run = [&] {
    if (run.size() >= 3) runs.push_back(run);
    run.clear();
  };
  for (const char c : term.needle) {
    const bool breaks = static_cast<unsigned char>(c) >= 0x80 || (term.wildcard && (c == '*' || c == '?')) ||
                        (term.whole_path && c == '\\');
    if (breaks) end_run();
    else run.push_back(c);
  }
  end_run();
  return runs;
}

std::vector<TokenRun> token_runs(const Term& term) {
  std::vector<TokenRun> runs;
  if (term.kind != TermKind::Text || term.negated || term.marks || term.whole_path) return runs;
  // Only an ASCII byte the word holds as it is bounds a token of the name: a
  // wildcard's `*` or `?` may stand for token bytes, and a non-ASCII letter
  // may read as ASCII letters in the name's skeleton ("ß" as "ss").
  const std::string_view needle = term.needle;
  auto bounds = [&](char c) {
    return !is_token_byte(c) && static_cast<unsigned char>(c) < 0x80 && !(term.wildcard && (c == '*' || c == '?'));
  };
  for_each_token(needle, [&](std::string_view run) {
    const auto begin = static_cast<std::size_t>(run.data() - needle.data());
    const std::size_t end = begin + run.size();
    runs.push_back(TokenRun{std::string(run), begin > 0 && bounds(needle[begin - 1]),
                            end < needle.size() && bounds(needle[end])});
  });
  return runs;
}

bool token_fits(std::string_view token, const TokenRun& run) {
  if (run.starts && run.ends) return token == run.bytes;
  if (run.starts) return token.starts_with(run.bytes);
  if (run.ends) return token.ends_with(run.bytes);
  return token.find(run.bytes) != std::string_view::npos;
}

IndexPlanner::IndexPlanner(const Query& query, std::string cache_folder, IndexPool* pool, bool counting)
    : cache_folder_(std::move(cache_folder)), pool_(pool), counting_(counting), query_(query) {
  exact_ = !query_.terms.empty();
  std::vector<const Term*> whole_words;  // their trigrams add nothing to what their tokens tell
  for (const Term& term : query_.terms) {
    if (takes_extension_ask(term, whole_words)) continue;
    WordRuns word;
    word.runs = token_runs(term);
    // A word that is one run is decided by its tokens. A run of one byte
    // narrows only as a whole token (the "6" of "util_6.md"), and only when
    // the table lists it.
    word.whole =
        !term.wildcard && word.runs.size() == 1 && word.runs[0].bytes == term.needle && term.needle.size() >= 2;
    exact_ = exact_ && word.whole;
    if (word.whole) whole_words.push_back(&term);
    word.runs.erase(std::remove_if(word.runs.begin(), word.runs.end(),
                                   [](const TokenRun& r) { return r.bytes.size() < 2 && !(r.starts && r.ends); }),
                    word.runs.end());
    if (!word.runs.empty()) words_.push_back(std::move(word));
  }
  for (const Term& term : query_.terms) {
    if (term.negated) continue;
    if (term.kind == TermKind::Size || term.kind == TermKind::Date || term.kind == TermKind::Type ||
        term.kind == TermKind::Extension)
      fields_.push_back(&term);
    if (term.kind == TermKind::Extension) {
      // A name with one of the extensions holds "." and it.
      std::vector<std::vector<Trigram>> alternatives;
      for (const std::string& alternative : term.alternatives) {
        const std::string dotted = "." + alternative;
        if (dotted.size() < 3 || !std::all_of(dotted.begin(), dotted.end(), [](char c) {
              return static_cast<unsigned char>(c) < 0x80;
            })) {
          alternatives.clear();
          break;
        }
        alternatives.emplace_back();
        add_trigrams(dotted, alternatives.back());
      }
      if (!alternatives.empty()) either_.push_back(std::move(alternatives));
    }
    if (std::find(whole_words.begin(), whole_words.end(), &term) != whole_words.end()) continue;
    for (const std::string& run : literal_runs(term)) add_trigrams(run, term.whole_path ? path_trigrams_ : name_trigrams_);
  }
  sort_unique(name_trigrams_);
  sort_unique(path_trigrams_);
}

namespace {

// The blocks listed under every key of `keys` (the pair of keys of each: the
// untagged and the rare one, when `either_key`); nullopt when the index is
// damaged or there is no key.
std::optional<std::vector<std::uint32_t>> listed_under_all(const IndexFile& index, const std::vector<Trigram>& keys,
                                                           bool either_key) {
  if (keys.empty()) return std::nullopt;  // nothing narrows: as good as no index
  std::vector<std::vector<std::uint32_t>> lists;
  for (const Trigram t : keys) {
    auto list = index.blocks_of(t);
    if (!list) return std::nullopt;
    if (either_key) {
      const auto rare = index.blocks_of(t | kRareTag);
      if (!rare) return std::nullopt;
      *list = joined(*list, *rare);
    }
    lists.push_back(std::move(*list));
    if (lists.back().empty()) return lists.back();  // no block holds it
  }
  std::sort(lists.begin(), lists.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
  std::vector<std::uint32_t> blocks = std::move(lists.front());
  for (std::size_t i = 1; i < lists.size() && !blocks.empty(); ++i) blocks = common(blocks, lists[i]);
  return blocks;
}

// The candidates of the run of token bytes `run`: the entries of the tokens
// it fits (certain when `whole`), and the blocks where a rare token or text
// the index cannot read may hold it. A run the word bounds on both sides is a
// whole token: when the table lists it, its list is every entry that holds it.
// nullopt in `found` when the run narrows nothing (one byte, not listed).
std::optional<std::optional<Candidates>> run_candidates(const IndexFile& index, const WordTable& table,
                                                        const TokenRun& run, bool whole,
                                                        const std::vector<std::uint32_t>& every_word) {
  Candidates found;
  std::vector<std::uint32_t>& entries = whole ? found.certain : found.uncertain;
  bool listed = false;
  SortedList scratch;
  for (const Word& word : table.words) {
    if (!token_fits(word.token, run)) continue;
    listed = listed || word.token == run.bytes;
    const auto of_word = entries_of(index, table, word);
    if (!of_word) return std::nullopt;
    join_into(entries, *of_word, scratch);
  }
  if (run.starts && run.ends && listed) {
    found.blocks = every_word;
    return std::optional<Candidates>(std::move(found));
  }
  if (run.bytes.size() < 2) return std::optional<Candidates>();  // a rare token of one byte: anywhere
  std::vector<Trigram> keys;
  if (run.bytes.size() >= 3) add_trigrams(run.bytes, keys);
  else add_pairs(run.bytes, keys);
  for (Trigram& key : keys) key |= kRareTag;
  sort_unique(keys);
  auto rare = listed_under_all(index, keys, false);
  if (!rare) return std::nullopt;
  found.blocks = joined(*rare, every_word);
  return std::optional<Candidates>(std::move(found));
}

}  // namespace

bool IndexPlanner::takes_extension_ask(const Term& term, std::vector<const Term*>& whole_words) {
  auto ask = extension_ask(term);
  if (!ask) return false;
  const bool whole = ask->whole;
  extension_asks_.push_back(std::move(*ask));
  // `ext:x` and `*.x` are decided by the table of extensions: their entries
  // are those listed, what the words or trigrams tell adds nothing.
  if (whole && term.kind == TermKind::Text) whole_words.push_back(&term);
  return whole;
}

std::optional<PlannedChunks> IndexPlanner::plan(Catalogue& catalogue, std::uint64_t chunk_bytes) const {
  if (cache_folder_.empty() || !catalogue.still_as_opened()) return std::nullopt;
  const auto index = fresh_index(pool_, index_path(cache_folder_, catalogue), catalogue);
  if (!index) return std::nullopt;
  // The index holds the catalogue's exact counts, which decide its encoding.
  if (!catalogue.counts()) catalogue.set_counts(index->counts());
  std::vector<Trigram> trigrams = name_trigrams_;
  if (!path_trigrams_.empty()) {
    // A path: word may lie in the root, which no block lists.
    if (const auto root = root_trigrams(catalogue)) {
      for (const Trigram t : path_trigrams_)
        if (!std::binary_search(root->begin(), root->end(), t)) trigrams.push_back(t);
    }
    sort_unique(trigrams);
  }
  if (trigrams.empty() && fields_.empty() && words_.empty() && extension_asks_.empty()) return std::nullopt;

  std::optional<std::vector<std::uint32_t>> candidates;  // nullopt: every block
  if (!trigrams.empty()) {
    candidates = listed_under_all(*index, trigrams, true);
    if (!candidates) return std::nullopt;
  }
  for (const auto& alternatives : either_) {
    SortedList any;
    SortedList scratch;
    for (const auto& alternative : alternatives) {
      const auto blocks = listed_under_all(*index, alternative, true);
      if (!blocks) return std::nullopt;
      join_into(any, *blocks, scratch);
    }
    candidates = candidates ? common(*candidates, any) : any;
  }
  const auto every_word = index->blocks_of(kEveryWord);
  if (!every_word) return std::nullopt;
  if (candidates) {
    candidates = joined(*candidates, *every_word);
  }
  PlannedChunks planned;
  // The words narrow the blocks to those of the entries that may match; when
  // every term is a word of token bytes and a count is asked, the entries
  // known to match outside the blocks read are counted, not read.
  std::uint64_t counted = 0;
  std::vector<BlockLines> by_line;  // how each block of *candidates is read, when some are read line by line
  if ((!words_.empty() || !extension_asks_.empty()) && !(candidates && candidates->empty())) {
    const auto table = index->words();
    if (!table) return std::nullopt;
    std::optional<Candidates> entries;
    for (const WordRuns& word : words_) {
      for (const TokenRun& run : word.runs) {
        auto found = run_candidates(*index, *table, run, word.whole, *every_word);
        if (!found) return std::nullopt;
        if (!*found) continue;
        entries = entries ? both(*entries, **found, *table) : std::move(**found);
      }
    }
    const auto extensions = extension_candidates(*index, *table, extension_asks_, *every_word);
    if (!extensions) return std::nullopt;
    if (*extensions) entries = entries ? both(*entries, **extensions, *table) : std::move(**extensions);
    if (entries) {  // else every run was a rare token of one byte
      const bool count = counting_ && exact_;
      const std::vector<std::uint32_t> read = count ? entries->unsettled(*table) : entries->all_blocks(*table);
      candidates = candidates ? common(*candidates, read) : read;
      // Where every line of the catalogue is an entry, a block with few
      // entries that may match reads only their lines; the certain ones too,
      // so that a block whose lines turn out not as counted, read whole
      // instead, finds what it holds once.
      if (index->counts().skipped == 0)
        by_line = lines_to_read(*candidates, entries->blocks, entries->all_entries(), *table);
      if (count) counted = entries->certain_outside(*candidates, *table);
    }
  }
  ++indexed_;
  planned.counted = counted;
  if (candidates && candidates->empty()) return planned;
  const auto blocks = index->blocks();
  if (!blocks) return std::nullopt;
  // Blocks that follow one another are read as one chunk, those read line by
  // line apart from those read whole.
  bool last_by_line = false;
  auto take = [&](std::uint32_t b, const BlockLines* lines) {
    const BlockInfo& info = (*blocks)[b];
    if (!fields_may_hold(info, fields_)) return;
    const bool line_by_line = lines != nullptr && !lines->wanted.empty();
    if (!planned.chunks.empty() && planned.chunks.back().end == info.begin &&
        info.end - planned.chunks.back().begin <= chunk_bytes && line_by_line == last_by_line) {
      planned.chunks.back().end = info.end;
      if (line_by_line) planned.lines.back().parts.push_back(LinePart{Chunk{info.begin, info.end}, lines->entries, lines->wanted});
      return;
    }
    planned.chunks.push_back(Chunk{info.begin, info.end});
    planned.folders.push_back(info.folder);
    if (lines != nullptr) {
      planned.lines.emplace_back();
      if (line_by_line) planned.lines.back().parts.push_back(LinePart{Chunk{info.begin, info.end}, lines->entries, lines->wanted});
    }
    last_by_line = line_by_line;
  };
  if (candidates) {
    for (std::size_t i = 0; i < candidates->size(); ++i) take((*candidates)[i], by_line.empty() ? nullptr : &by_line[i]);
  } else {
    for (std::uint32_t b = 0; b < blocks->size(); ++b) take(b, nullptr);
  }
  return planned;
}

}  // namespace korvint::search::index
