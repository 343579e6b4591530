#include "search/chunk_search.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "search/ascii_folds.h"
#include "search/block_reader.h"
#include "search/line_picker.h"
#include "search/line_scan.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

constexpr std::uint64_t kUnknown = ~std::uint64_t{0} - 1;

// The most hits one part holds (128 KiB): parts start small and double.
constexpr std::size_t kPartHits = 4096;

// The most lines a chunk leaves for the code page's reading (16 KiB).
constexpr std::size_t kPassedOverLines = 4096;

bool stopped(const ChunkJob& job) {
  return (job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed)) ||
         (job.halt != nullptr && job.halt->load(std::memory_order_relaxed));
}

bool all_ascii(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Appends `hit` to the last part, or to a new one when that is full, so hits
// are never copied to make room and no part holds more than a few unused.
void add_hit(ChunkResult& result, const Hit& hit) {
  if (result.hits.empty() || result.hits.back().size() == result.hits.back().capacity()) {
    const std::size_t capacity = result.hits.empty() ? 64 : std::min(kPartHits, 2 * result.hits.back().capacity());
    result.hits.emplace_back();
    result.hits.back().reserve(capacity);
  }
  result.hits.back().push_back(hit);
  ++result.hit_count;
}

// The line [start, end of text) without what follows its LF and without its CR.
std::string_view line_from(const char* start, const char* text_end) {
  const auto* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(text_end - start)));
  std::string_view line(start, static_cast<std::size_t>((lf == nullptr ? text_end : lf) - start));
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool holds_high_byte(const char* begin, const char* end) {
  unsigned char high = 0;
  for (const char* p = begin; p != end; ++p) high |= static_cast<unsigned char>(*p);
  return high >= 0x80;
}

// The folder of the lines of one chunk, asked in line order, found by looking
// back only as far as needed: to the previous line asked about (in the block
// read, then in the catalogue), or once before the chunk's start.
class FolderCursor {
 public:
  FolderCursor(const Catalogue& catalogue, ChunkFolders& chunk_folders, std::size_t chunk_index)
      : catalogue_(catalogue),
        chunk_folders_(chunk_folders),
        chunk_index_(chunk_index),
        scanned_(chunk_folders.chunks()[chunk_index].begin) {}

  // The offset of the folder line that governs the line starting at `line`,
  // which lies in `block` (or at its offset when the block is empty).
  std::uint64_t folder_of(std::uint64_t line, const Block& block) {
    bool found = false;
    const std::uint64_t low = std::max(scanned_, block.offset);
    if (low < line) {
      const char* at = find_last_folder_line(block.data + (low - block.offset), block.data + (line - block.offset),
                                             block.data + block.size);
      if (at != nullptr) {
        folder_ = block.offset + static_cast<std::uint64_t>(at - block.data);
        assign_path(catalogue::folder_path_of_line(line_from(at, block.data + block.size)).value_or(std::string_view()));
        found = true;
      }
    }
    if (!found && scanned_ < std::min(block.offset, line)) {
      if (const auto at = catalogue_.last_folder_line(scanned_, std::min(block.offset, line))) {
        take_from_catalogue(*at);
        found = true;
      }
    }
    if (!found && !known_) take_from_catalogue(chunk_folders_.at_start(chunk_index_));
    known_ = true;
    scanned_ = std::max(scanned_, line);
    return folder_;
  }

  // Records the folder line at `offset` with `path`, all folder lines before
  // `through` being known.
  void set(std::uint64_t offset, std::string_view path, std::uint64_t through) {
    folder_ = offset;
    assign_path(path);
    known_ = true;
    scanned_ = through;
  }

  // The relative path of the folder last found or set.
  [[nodiscard]] const std::string& path() const { return path_; }
  // True when path() holds no byte >= 0x80.
  [[nodiscard]] bool path_ascii() const { return path_ascii_; }

 private:
  void assign_path(std::string_view path) {
    path_.assign(path);
    path_ascii_ = all_ascii(path_);
  }

  void take_from_catalogue(std::uint64_t offset) {
    folder_ = offset;
    assign_path({});
    if (offset != kRootFolder && catalogue_.line_at(offset, line_))
      assign_path(catalogue::folder_path_of_line(line_).value_or(std::string_view()));
  }

  const Catalogue& catalogue_;
  ChunkFolders& chunk_folders_;
  std::size_t chunk_index_;
  std::uint64_t scanned_;
  std::uint64_t folder_ = kRootFolder;
  std::string path_;
  bool path_ascii_ = true;
  std::string line_;
  bool known_ = false;
};

// One chunk searched block by block. Three ways through a block: every line
// (no word to look for), the candidates of the name's word, or, for a word
// that must be in the path, the lines of folders whose path may hold it and
// the candidates of the rest.
class ChunkSearch {
 public:
  ChunkSearch(const ChunkJob& job, MatchScratch& scratch, ChunkResult& result)
      : job_(job),
        catalogue_(job.catalogue),
        matcher_(job.matcher),
        scratch_(scratch),
        result_(result),
        cursor_(job.catalogue, job.folders, job.chunk_index),
        known_(job.catalogue.encoding_known()),
        path_mode_(job.matcher.finder().every_line() && !job.matcher.path_literal().empty()),
        every_line_(job.matcher.finder().every_line() && !path_mode_),
        recorder_(job.observer != nullptr
                      ? job.observer->open(job.catalogue, job.chunk_index, job.folders.chunks()[job.chunk_index])
                      : nullptr) {}

  // Searches only the lines the plan names for the chunk, once the
  // encoding is known (else every line may tell it); false when there are
  // none, or when they were not as counted (nothing found then stands).
  bool run_lines() {
    const ChunkLines* lines = job_.folders.lines(job_.chunk_index);
    return lines != nullptr && known_ && !every_line_ && !path_mode_ && search_lines(*lines);
  }

  void run() {
    BlockReader reader(catalogue_, job_.folders.chunks()[job_.chunk_index], job_.block_bytes, scratch_.block);
    bool first = true;
    while (go_on_ && reader.next(block_)) {
      if (stopped(job_)) {
        go_on_ = false;
        break;
      }
      if (path_mode_) {
        if (first) {
          cursor_.folder_of(block_.offset, block_);
          open_ = matcher_.folder_may_hold_path_literal(catalogue_, cursor_.path(), scratch_);
        }
        search_paths();
      } else if (every_line_) {
        note_block_text();
        for_each_line(block_.data, block_.data + block_.size, [&](const char* start, const char* lf) {
          return lf == nullptr || visit(start, lf);  // a last line without its line end is not read
        });
      } else {
        search_candidates(matcher_.finder());
      }
      first = false;
    }
    result_.complete = go_on_;
    if (!result_.hits.empty()) result_.hits.back().shrink_to_fit();
  }

  bool search_lines(const ChunkLines& lines) {
    LinePicker picker(catalogue_, lines, scratch_.block);
    std::vector<std::size_t> starts;
    while (go_on_ && picker.next(block_, starts)) {
      if (stopped(job_)) {
        go_on_ = false;
        break;
      }
      const char* const end = block_.data + block_.size;
      for (const std::size_t at : starts) {
        const char* start = block_.data + at;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
        if (!visit(start, lf)) break;
      }
    }
    if (picker.failed()) return false;
    result_.complete = go_on_;
    if (!result_.hits.empty()) result_.hits.back().shrink_to_fit();
    return true;
  }

  // Verifies `lines` again by the catalogue's encoding, reading them from the
  // catalogue, into `hits` (in order).
  void verify_again(const std::vector<std::uint64_t>& lines) {
    std::string text;
    for (const std::uint64_t line : lines) {
      if (!catalogue_.line_at(line, text)) return;
      block_ = Block{nullptr, 0, line};
      if (const auto entry = catalogue::parse_entry_line(text)) verify(catalogue_.encoding(), line, *entry);
    }
  }

 private:
  // One line [start, lf) of the block: parse, verify, record; false to stop the chunk.
  bool visit(const char* start, const char* lf) {
    // A long line counts for more: verifying one may take as long as many short ones.
    since_check_ += 1 + static_cast<unsigned>((lf - start) >> 8);
    if (since_check_ >= 4096) {
      since_check_ = 0;
      if (stopped(job_)) return go_on_ = false;
    }
    if (lf == start || lf[-1] != '\r') return true;
    catalogue::EntryLine entry;
    if (!catalogue::parse_entry_fields(std::string_view(start, static_cast<std::size_t>(lf - 1 - start)), entry)) return true;
    if (!matcher_.fields_may_match(entry)) {
      // Passed over by its size, date or type; its text may still tell the
      // encoding (a search of every line learns that block by block instead).
      if (!known_ && !every_line_ && (!result_.non_ascii || result_.valid_utf8) && catalogue::finish_entry_line(entry))
        note_text(entry);
      return true;
    }
    if (!catalogue::finish_entry_line(entry)) return true;
    const std::uint64_t line = block_.offset + static_cast<std::uint64_t>(start - block_.data);
    if (known_ || !reads_non_ascii(line, entry)) {
      verify(catalogue_.encoding(), line, entry);  // ASCII reads the same in every encoding
    } else {
      note_text(entry);
      if (result_.valid_utf8 && is_valid_utf8(entry.path)) {
        verify(TextEncoding::Utf8, line, entry);
        result_.utf8_lines.push_back(line);
        open_at(line);
      } else {
        // Once a line proves the catalogue is not UTF-8, every line is read in the code page.
        verify(TextEncoding::CodePage, line, entry);
      }
    }
    if (job_.limit != 0 && result_.hit_count >= job_.limit) return go_on_ = false;
    return true;
  }

  // True when verifying the entry reads non-ASCII text: its path, or with a
  // path: word the root or its folder's path too.
  bool reads_non_ascii(std::uint64_t line, const catalogue::EntryLine& entry) {
    if (!entry.ascii) return true;
    if (!matcher_.needs_folder()) return false;
    if (!catalogue_.root_ascii()) return true;
    if (entry.is_folder) return false;
    folder_for(line);
    const std::string& folder = cursor_.path();
    return !all_ascii(folder);
  }

  // Notes that the verdict or the text of `line` waits for the catalogue's encoding.
  void open_at(std::uint64_t line) { result_.open_from = std::min(result_.open_from, line); }

  // Records what an entry's text tells of the catalogue's encoding.
  void note_text(const catalogue::EntryLine& entry) {
    if (entry.ascii) return;
    result_.non_ascii = true;
    result_.valid_utf8 = result_.valid_utf8 && is_valid_utf8(entry.path);
  }

  // Learns what the entries of the block with non-ASCII text tell of the
  // catalogue's encoding: the first one, and any that is not UTF-8.
  void note_block_text() {
    if (known_ || (result_.non_ascii && !result_.valid_utf8)) return;
    static const CandidateFinder high = CandidateFinder::high_bytes();
    const char* const end = block_.data + block_.size;
    const char* floor = block_.data;
    const char* p = floor;
    while ((p = high.find(p, end)) != end) {
      const HighRun run = read_high_run(p, end, nullptr);
      if (result_.non_ascii && !run.invalid_utf8) {
        p = run.end;
        continue;
      }
      const char* start = line_start(floor, p);
      const auto* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
      if (lf == nullptr) return;  // a last line without its line end is not read
      if (lf != start && lf[-1] == '\r')
        if (const auto entry = catalogue::parse_entry_line(std::string_view(start, static_cast<std::size_t>(lf - 1 - start))))
          note_text(*entry);
      if (result_.non_ascii && !result_.valid_utf8) return;
      p = floor = lf + 1;
    }
  }

  // Verifies one parsed line, its text read as `encoding`, and records it when it matches.
  void verify(TextEncoding encoding, std::uint64_t line, const catalogue::EntryLine& entry) {
    std::uint64_t folder_line = kRootFolder;
    std::string_view folder;
    if (matcher_.needs_folder() && !entry.is_folder) {
      folder_line = folder_for(line);
      folder = cursor_.path();
    }
    if (!matcher_.matches(catalogue_, encoding, entry, folder, scratch_)) return;
    if (!matcher_.needs_folder() && !entry.is_folder) folder_line = folder_for(line);
    // A result's text is read in the catalogue's encoding: while that is not
    // known, one that is not ASCII is not final.
    const bool open = !known_ && (!entry.ascii || !catalogue_.root_ascii() || (!entry.is_folder && !cursor_.path_ascii()));
    if (open) open_at(line);
    const Hit hit = Hit::make(line, folder_line, entry, job_.index);
    if (recorder_ && !recorder_->found(hit, entry, entry.is_folder ? std::string_view() : folder_of_hit(hit), !open))
      return;
    add_hit(result_, hit);
  }

  std::uint64_t folder_for(std::uint64_t line) { return cursor_.folder_of(line, block_); }

  // The stored path of the folder of file `hit`: the cursor's, which
  // verify() set for it ("" for the root).
  std::string_view folder_of_hit(const Hit& hit) const {
    return hit.folder == kRootFolder ? std::string_view() : std::string_view(cursor_.path());
  }

  // True when the run of bytes >= 0x80 at `at` may make its line match the
  // ASCII needle of `finder`, or its line must be read to learn the
  // catalogue's encoding; `floor` is where its line starts at the earliest,
  // and `run_end` is set after the run.
  bool high_run_matters(const CandidateFinder& finder, const char* floor, const char* at, const char* end,
                        const char*& run_end) {
    const TextEncoding encoding = catalogue_.encoding();
    const bool code_page = !known_ || encoding == TextEncoding::CodePage;
    const CodePageForms* forms = code_page ? &scratch_.code_page_forms() : nullptr;
    const HighRun run = read_high_run(at, end, forms);
    run_end = run.end;
    // Read as UTF-8 or in the code page, the run may give the needle.
    auto as_utf8 = [&] {
      return run.utf8_may_matter &&
             run_may_hold(floor, at, run.end, end, finder.needle(), finder.rare_byte(), run.utf8, nullptr,
                          scratch_.window);
    };
    auto in_code_page = [&] {
      return run.code_page_may_matter &&
             run_may_hold(floor, at, run.end, end, finder.needle(), finder.rare_byte(), run.code_page, forms,
                          scratch_.window);
    };
    if (known_) {
      if (encoding == TextEncoding::Utf8) return as_utf8();
      return encoding == TextEncoding::CodePage && in_code_page();
    }
    if (!result_.non_ascii) return true;    // the chunk's first non-ASCII entry
    if (!result_.valid_utf8) return in_code_page();  // the catalogue is in the code page
    if (run.invalid_utf8 || as_utf8()) return true;
    // Valid UTF-8 so far: the code page's reading is left for the unlikely
    // case that the catalogue turns out to be in it, up to a few thousand
    // lines a chunk (a bound on the memory); after those it is made here.
    if (!run.code_page_may_matter) return false;
    const std::uint64_t line = block_.offset + static_cast<std::uint64_t>(line_start(floor, at) - block_.data);
    const std::uint64_t into_chunk = line - job_.folders.chunks()[job_.chunk_index].begin;
    if (result_.code_page_lines.size() >= kPassedOverLines || into_chunk > ~std::uint32_t{0}) return in_code_page();
    if (result_.code_page_lines.empty() || result_.code_page_lines.back() != into_chunk)
      result_.code_page_lines.push_back(static_cast<std::uint32_t>(into_chunk));
    open_at(line);
    return false;
  }

  // The start of the line that holds `at`, looking back no further than `floor`.
  static const char* line_start(const char* floor, const char* at) {
    const char* lf = find_last_byte(floor, at, '\n');
    return lf == nullptr ? floor : lf + 1;
  }

  void search_candidates(const CandidateFinder& finder) {
    const char* const end = block_.data + block_.size;
    const char* floor = block_.data;  // a line start: no candidate lies before it
    const char* pos = floor;
    while (pos < end && go_on_) {
      const char* candidate = finder.find(pos, end);
      if (candidate == end) break;
      if (static_cast<unsigned char>(*candidate) >= 0x80 && finder.ascii_needle() &&
          !high_run_matters(finder, floor, candidate, end, pos))
        continue;
      const auto* lf = static_cast<const char*>(std::memchr(candidate, '\n', static_cast<std::size_t>(end - candidate)));
      if (lf == nullptr) break;  // a last line without its line end is not read
      visit(line_start(floor, candidate), lf);
      pos = floor = lf + 1;
    }
  }

  void search_paths() {
    const CandidateFinder& finder = matcher_.path_finder();
    const char* const end = block_.data + block_.size;
    const char* floor = block_.data;
    const char* pos = floor;
    while (pos < end && go_on_) {
      const char* start = pos;
      const char* at = pos;
      if (!open_) {
        at = finder.find(pos, end);
        if (at == end) break;
        if (static_cast<unsigned char>(*at) >= 0x80 && finder.ascii_needle() &&
            !high_run_matters(finder, floor, at, end, pos))
          continue;
        start = line_start(floor, at);
      }
      const auto* lf = static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(end - at)));
      if (lf == nullptr) break;
      path_line(start, lf);
      pos = floor = lf + 1;
    }
  }

  // A line the path search stops at: a folder line sets the folder and whether
  // the lines below it may match; any other line is verified.
  void path_line(const char* start, const char* lf) {
    std::string_view text(start, static_cast<std::size_t>(lf - start));
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    const auto folder = catalogue::folder_path_of_line(text);
    if (!folder) {
      visit(start, lf);
      return;
    }
    const std::uint64_t offset = block_.offset + static_cast<std::uint64_t>(start - block_.data);
    cursor_.set(offset, *folder, offset + static_cast<std::uint64_t>(lf + 1 - start));
    open_ = matcher_.folder_may_hold_path_literal(catalogue_, *folder, scratch_);
    if (open_) {
      visit(start, lf);
    } else if (!known_ && (!result_.non_ascii || result_.valid_utf8) && holds_high_byte(start, lf)) {
      // Not a candidate, but its text still tells the catalogue's encoding.
      if (const auto entry = catalogue::parse_entry_line(text)) note_text(*entry);
    }
  }

  const ChunkJob& job_;
  const Catalogue& catalogue_;
  const Matcher& matcher_;
  MatchScratch& scratch_;
  ChunkResult& result_;
  FolderCursor cursor_;
  const bool known_;
  const bool path_mode_;
  const bool every_line_;
  Block block_;
  std::unique_ptr<HitRecorder> recorder_;
  bool open_ = false;  // path search: the current folder's path may hold the word
  bool go_on_ = true;
  unsigned since_check_ = 0;
};

}  // namespace

ChunkFolders::ChunkFolders(const Catalogue& catalogue, std::vector<Chunk> chunks)
    : catalogue_(catalogue), chunks_(std::move(chunks)), known_(new std::atomic<std::uint64_t>[chunks_.size()]) {
  for (std::size_t i = 0; i < chunks_.size(); ++i) known_[i] = kUnknown;
}

ChunkFolders::ChunkFolders(const Catalogue& catalogue, std::vector<Chunk> chunks, const std::vector<std::uint64_t>& starts)
    : ChunkFolders(catalogue, std::move(chunks)) {
  for (std::size_t i = 0; i < chunks_.size() && i < starts.size(); ++i) known_[i] = starts[i];
}

ChunkFolders::ChunkFolders(const Catalogue& catalogue, PlannedChunks planned)
    : ChunkFolders(catalogue, std::move(planned.chunks), planned.folders) {
  lines_ = std::move(planned.lines);
}

std::uint64_t ChunkFolders::at_start(std::size_t k) {
  std::size_t from = k;
  while (from > 0 && known_[from].load() == kUnknown) --from;
  if (from == 0 && known_[0].load() == kUnknown) known_[0] = kRootFolder;
  for (std::size_t i = from + 1; i <= k; ++i) {
    const Chunk& before = chunks_[i - 1];
    known_[i] = catalogue_.last_folder_line(before.begin, before.end).value_or(known_[i - 1].load());
  }
  return known_[k].load();
}

void search_chunk(const ChunkJob& job, MatchScratch& scratch, ChunkResult& result) {
  // Tried only where the plan names lines: a search made and left unused
  // would still show its chunk to the observer, as a chunk searched twice,
  // whose records then stand for nothing.
  if (job.folders.lines(job.chunk_index) != nullptr && ChunkSearch(job, scratch, result).run_lines()) return;
  // No lines named, or not as the index counted them: the chunk is read whole.
  result = ChunkResult{};
  ChunkSearch(job, scratch, result).run();
}

void settle_open_lines(const ChunkJob& job, MatchScratch& scratch, ChunkResult& result) {
  std::vector<std::uint64_t> lines;
  lines.swap(result.utf8_lines);
  std::vector<std::uint32_t> passed_over;
  passed_over.swap(result.code_page_lines);
  if (job.catalogue.encoding() == TextEncoding::Utf8) return;
  // The catalogue is not UTF-8: the hits of these lines go, and they are verified again.
  const auto middle_of_lines = static_cast<std::ptrdiff_t>(lines.size());
  const std::uint64_t chunk_begin = job.folders.chunks()[job.chunk_index].begin;
  for (const std::uint32_t line : passed_over) lines.push_back(chunk_begin + line);
  std::inplace_merge(lines.begin(), lines.begin() + middle_of_lines, lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  if (lines.empty()) return;
  std::vector<Hit> kept;
  kept.reserve(result.hit_count);
  for (const auto& part : result.hits)
    for (const Hit& hit : part)
      if (!std::binary_search(lines.begin(), lines.end(), hit.line)) kept.push_back(hit);
  ChunkResult late;
  ChunkSearch(job, scratch, late).verify_again(lines);
  std::vector<Hit> merged;
  merged.reserve(kept.size() + late.hit_count);
  for (const auto& part : late.hits) merged.insert(merged.end(), part.begin(), part.end());
  const auto middle = static_cast<std::ptrdiff_t>(merged.size());
  merged.insert(merged.end(), kept.begin(), kept.end());
  std::inplace_merge(merged.begin(), merged.begin() + middle, merged.end(),
                     [](const Hit& a, const Hit& b) { return a.line < b.line; });
  result.hits.clear();
  result.hit_count = 0;
  for (const Hit& hit : merged) add_hit(result, hit);
  if (!result.hits.empty()) result.hits.back().shrink_to_fit();
}

}  // namespace korvint::search
