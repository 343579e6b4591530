#include "search/folder_totals.h"

#include <algorithm>

#include "catalogue/parse_lines.h"
#include "platform/case_folding.h"
#include "platform/per_thread.h"
#include "search/block_reader.h"
#include "search/line_scan.h"
#include "search/parallel_tasks.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

constexpr std::size_t kBlockBytes = 256u << 10;

// Calls `on_line(offset, line)` for each line of `chunk` that ends in CR LF,
// `line` without them, and `on_skipped()` for each other line; stops when
// `on_line` returns false. False when the file could not be read as opened
// or `cancel` became true.
template <typename OnLine, typename OnSkipped>
bool visit_lines(const Catalogue& catalogue, const Chunk& chunk, const std::atomic<bool>* cancel, OnLine on_line,
                 OnSkipped on_skipped) {
  thread_local platform::PerThread<std::vector<char>> buffer_slot;
  std::vector<char>& buffer = buffer_slot.get();
  BlockReader reader(catalogue, chunk, kBlockBytes, buffer);
  Block block;
  bool go_on = true;
  while (go_on && reader.next(block)) {
    if (cancel != nullptr && cancel->load(std::memory_order_relaxed)) return false;
    for_each_line(block.data, block.data + block.size, [&](const char* start, const char* lf) {
      // As the count and the search: a line must end in CR LF; a last one cut off before its end is not read.
      if (lf == nullptr || lf == start || lf[-1] != '\r') {
        on_skipped();
        return true;
      }
      const std::uint64_t offset = block.offset + static_cast<std::uint64_t>(start - block.data);
      go_on = on_line(offset, std::string_view(start, static_cast<std::size_t>(lf - 1 - start)));
      return go_on;
    });
  }
  for (std::uint64_t i = 0; i < reader.overlong(); ++i) on_skipped();
  return !catalogue.changed() && catalogue.still_as_opened();
}

// `text` with each "\" made the catalogue's separator.
void use_separator(std::string& text, const Catalogue& catalogue) {
  if (catalogue.posix_root()) std::replace(text.begin(), text.end(), '\\', '/');
}

// `text` with "/" made "\" and no separator at either end.
std::string normalized(std::string_view text) {
  std::string out(text);
  std::replace(out.begin(), out.end(), '/', '\\');
  const auto first = out.find_first_not_of('\\');
  if (first == std::string::npos) return {};
  out.erase(0, first);
  out.erase(out.find_last_not_of('\\') + 1);
  return out;
}

}  // namespace

namespace {

// A folder line met in a chunk, with the files after it in that chunk.
struct FolderLine {
  std::uint64_t line = 0;
  std::uint64_t files = 0;
  std::uint64_t bytes = 0;
};

// What one chunk holds: the files before its first folder line (they belong
// to the folder open where the chunk starts), then each folder line with the
// files after it. Known by offsets alone: no name is kept.
struct ChunkTally {
  FolderLine lead;
  std::vector<FolderLine> folders;
  std::uint64_t skipped = 0;
  bool non_ascii = false;
  bool valid_utf8 = true;
};

ChunkTally tally_chunk(const Catalogue& catalogue, const Chunk& chunk, const std::atomic<bool>* cancel) {
  ChunkTally tally;
  visit_lines(
      catalogue, chunk, cancel,
      [&](std::uint64_t offset, std::string_view line) {
        const auto entry = catalogue::parse_entry_line(line);
        if (entry && !entry->ascii) {
          tally.non_ascii = true;
          if (tally.valid_utf8 && !is_valid_utf8(entry->path)) tally.valid_utf8 = false;
        }
        if (entry && !entry->is_folder) {
          FolderLine& holder = tally.folders.empty() ? tally.lead : tally.folders.back();
          ++holder.files;
          holder.bytes += entry->size;
        } else if (entry || catalogue::folder_path_of_line(line)) {
          // A folder line with damaged fields still holds the files below it, as in the search.
          tally.folders.push_back(FolderLine{offset});
        } else {
          ++tally.skipped;
        }
        return true;
      },
      [&] { ++tally.skipped; });
  return tally;
}

}  // namespace

std::optional<FolderTree> FolderTree::build(std::shared_ptr<Catalogue> catalogue, std::string& error,
                                            const std::atomic<bool>* cancel, unsigned threads,
                                            std::uint64_t chunk_bytes) {
  static_assert(sizeof(Node) == 48, "a folder is a few integers: the documentation gives its size");
  const Catalogue::Hold hold(*catalogue);
  auto failed = [&](const char* why) {
    error = catalogue->source().file_name + why;
    return std::nullopt;
  };
  auto stopped = [&] { return cancel != nullptr && cancel->load(std::memory_order_relaxed); };

  // First the chunks, on every core: their files counted between folder lines.
  const std::vector<Chunk> chunks = catalogue->chunks(chunk_bytes);
  std::vector<ChunkTally> tallies(chunks.size());
  run_tasks(chunks.size(), threads_or_cores(threads), [] { return 0; }, [&](std::size_t i, int) {
    if (!stopped() && !catalogue->changed()) tallies[i] = tally_chunk(*catalogue, chunks[i], cancel);
  });
  if (stopped()) return failed(": stopped");
  if (catalogue->changed() || !catalogue->still_as_opened()) return failed(" changed while it was read");

  // Then the folder lines in order, each read again for its path: a folder
  // line closes every open folder that is not its ancestor.
  FolderTree tree;
  std::size_t folders = 1;
  for (const ChunkTally& tally : tallies) folders += tally.folders.size();
  tree.nodes_.reserve(folders);  // exactly: no growth by doubling, no copy to shrink it
  tree.nodes_.emplace_back();
  struct Open {
    Index index;
    std::string path;  // its relative path as stored
    Index last_child = kNone;
  };
  std::vector<Open> open{{kRoot, {}}};
  auto close_top = [&] {
    const Node& closed = tree.nodes_[open.back().index];
    open.pop_back();
    FolderTotals& parent = tree.nodes_[open.back().index].totals;
    parent.bytes += closed.totals.bytes;
    parent.files += closed.totals.files;
    parent.folders += closed.totals.folders + 1;
  };
  bool non_ascii = false;
  bool valid_utf8 = true;
  std::string text;
  for (const ChunkTally& tally : tallies) {
    tree.skipped_ += tally.skipped;
    non_ascii = non_ascii || tally.non_ascii;
    valid_utf8 = valid_utf8 && tally.valid_utf8;
    tree.nodes_[open.back().index].totals.files += tally.lead.files;
    tree.nodes_[open.back().index].totals.bytes += tally.lead.bytes;
    for (const FolderLine& folder : tally.folders) {
      if (stopped()) return failed(": stopped");
      const auto path = catalogue->line_at(folder.line, text) ? catalogue::folder_path_of_line(text) : std::nullopt;
      if (!path) return failed(" changed while it was read");
      while (open.size() > 1 && !(path->size() > open.back().path.size() && path->starts_with(open.back().path)))
        close_top();
      if (tree.nodes_.size() >= kNone) return failed(" holds more folders than can be counted");
      const auto index = static_cast<Index>(tree.nodes_.size());
      Open& parent = open.back();
      Node node;
      node.line = folder.line;
      node.parent = parent.index;
      node.name_begin = static_cast<std::uint32_t>(parent.path.size());
      node.totals.files = folder.files;
      node.totals.bytes = folder.bytes;
      tree.nodes_.push_back(node);
      if (parent.last_child == kNone)
        tree.nodes_[parent.index].first_child = index;
      else
        tree.nodes_[parent.last_child].next_sibling = index;
      parent.last_child = index;
      open.push_back(Open{index, std::string(*path)});
    }
  }
  while (open.size() > 1) close_top();
  if (catalogue->changed()) return failed(" changed while it was read");
  if (!catalogue->encoding_known()) catalogue->decide_encoding(non_ascii, valid_utf8, true);
  tree.catalogue_ = std::move(catalogue);
  return tree;
}

std::vector<FolderTree::Index> FolderTree::children(Index folder) const {
  std::vector<Index> out;
  for (Index child = first_child(folder); child != kNone; child = next_sibling(child)) out.push_back(child);
  return out;
}

std::uint32_t FolderTree::depth(Index folder) const {
  std::uint32_t levels = 0;
  for (Index at = parent(folder); at != kNone; at = parent(at)) ++levels;
  return levels;
}

FolderTree::Index FolderTree::folder_of_line(std::uint64_t line) const {
  // Folders after the root are numbered in the order of their lines.
  const auto after = std::upper_bound(nodes_.begin() + 1, nodes_.end(), line,
                                      [](std::uint64_t offset, const Node& node) { return offset < node.line; });
  return after == nodes_.begin() + 1 ? kRoot : static_cast<Index>(after - nodes_.begin() - 1);
}

std::optional<std::string> FolderTree::raw_path(Index folder) const {
  if (folder == kRoot) return std::string();
  std::string line;
  if (!catalogue_->line_at(nodes_[folder].line, line)) return std::nullopt;
  const auto path = catalogue::folder_path_of_line(line);
  // The line was a folder's when the tree was built: the file must have changed since.
  if (!path) return std::nullopt;
  return std::string(*path);
}

std::optional<std::string> FolderTree::name(Index folder, NameDecoder& decoder) const {
  std::string decoded;
  if (folder == kRoot) {
    decoder.decode(catalogue_->encoding(), catalogue_->root(), decoded);
    return decoded;
  }
  const auto raw = raw_path(folder);
  if (!raw) return std::nullopt;
  const std::string_view level = std::string_view(*raw).substr(0, raw->size() - 1).substr(nodes_[folder].name_begin);
  decoder.decode(catalogue_->encoding(), level, decoded);
  use_separator(decoded, *catalogue_);
  return decoded;
}

std::optional<std::string> FolderTree::path(Index folder, NameDecoder& decoder) const {
  if (folder == kRoot) return std::string(".");
  const auto raw = raw_path(folder);
  if (!raw) return std::nullopt;
  std::string decoded;
  decoder.decode(catalogue_->encoding(), std::string_view(*raw).substr(0, raw->size() - 1), decoded);
  use_separator(decoded, *catalogue_);
  return decoded;
}

std::optional<std::vector<FolderFile>> FolderTree::files(Index folder, NameDecoder& decoder) const {
  std::uint64_t begin = catalogue_->body_begin();
  if (folder != kRoot) {
    std::string line;
    if (!catalogue_->line_at(nodes_[folder].line, line)) return std::nullopt;
    begin = nodes_[folder].line + line.size() + 2;  // its line ends in CR LF, or it would be no folder
  }
  std::vector<FolderFile> files;
  if (begin >= catalogue_->size()) return files;
  const bool read = visit_lines(
      *catalogue_, Chunk{begin, catalogue_->size()}, nullptr,
      [&](std::uint64_t offset, std::string_view line) {
        const auto entry = catalogue::parse_entry_line(line);
        if (entry && !entry->is_folder) {
          FolderFile file;
          decoder.decode(catalogue_->encoding(), entry->name, file.name);
          file.size = entry->size;
          file.time = entry->time;
          file.line = offset;
          files.push_back(std::move(file));
          return true;
        }
        // The next folder line, damaged or not, ends this folder's files.
        return !(entry || catalogue::folder_path_of_line(line));
      },
      [] {});
  // Reading stopped at the next folder: only a file cut short or changed counts.
  if (!read && catalogue_->changed()) return std::nullopt;
  return files;
}

FolderTree::Index FolderTree::find(std::string_view relative, NameDecoder& decoder) const {
  const bool caseless = !catalogue_->posix_root();
  std::string folded_a;
  std::string folded_b;
  auto same_text = [&](std::string_view a, std::string_view b, bool any_case) {
    if (!any_case) return a == b;
    platform::fold_case(a, folded_a);
    platform::fold_case(b, folded_b);
    return folded_a == folded_b;
  };
  // Every folder whose path below the root is `wanted`, searched level by level.
  auto matches = [&](const std::string& wanted, bool any_case) {
    std::vector<Index> found;
    std::vector<std::pair<Index, std::string>> pending{{kRoot, wanted}};
    while (!pending.empty()) {
      auto [folder, rest] = std::move(pending.back());
      pending.pop_back();
      for (Index child = first_child(folder); child != kNone; child = next_sibling(child)) {
        auto level = name(child, decoder);
        if (!level) return std::vector<Index>{};
        std::replace(level->begin(), level->end(), '/', '\\');
        // As many levels of `rest` as the name holds (one hung below a farther ancestor holds more).
        std::size_t levels = static_cast<std::size_t>(std::count(level->begin(), level->end(), '\\')) + 1;
        std::size_t end = std::string::npos;
        for (std::size_t from = 0;;) {
          end = rest.find('\\', from);
          if (--levels == 0 || end == std::string::npos) break;
          from = end + 1;
        }
        const std::string_view head = std::string_view(rest).substr(0, end);
        if (!same_text(head, *level, any_case)) continue;
        if (end == std::string::npos)
          found.push_back(child);
        else
          pending.emplace_back(child, rest.substr(end + 1));
      }
    }
    return found;
  };
  auto lookup = [&](const std::string& wanted) {
    if (wanted.empty() || wanted == ".") return kRoot;
    if (const auto exact = matches(wanted, false); !exact.empty()) return exact.front();
    if (!caseless) return kNone;
    const auto any_case = matches(wanted, true);
    return any_case.size() == 1 ? any_case.front() : kNone;
  };

  const std::string wanted = normalized(relative);
  if (const Index found = lookup(wanted); found != kNone) return found;
  // The catalogue's root before the path: "D:\Photos\2019" in a catalogue of "D:\Photos\".
  const auto root = name(kRoot, decoder);
  if (!root) return kNone;
  const std::string prefix = normalized(*root);
  if (prefix.empty() || wanted.size() < prefix.size() || !same_text(wanted.substr(0, prefix.size()), prefix, caseless))
    return kNone;
  if (wanted.size() > prefix.size() && wanted[prefix.size()] != '\\') return kNone;
  return lookup(normalized(std::string_view(wanted).substr(prefix.size())));
}

}  // namespace korvint::search
