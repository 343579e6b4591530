#pragma once
// A catalogue as a tree of folders with the totals below each, made in one
// pass over its lines (a chunk at a time on every core: the files between
// folder lines counted) and one over its folder lines in order. Folder lines
// come in walk order (a folder, its files, then its sub-folders with theirs),
// so a stack of the folders open at the current line is enough: a folder line
// closes every open folder that is not its ancestor. A folder is kept as a
// few integers (its line's offset, its links and totals: 48 bytes), never as
// a string; names and files are read back from the catalogue when asked for.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/calendar_time.h"
#include "search/catalogue.h"
#include "search/name_decoder.h"

namespace korvint::search {

/// What lies below a folder, at every depth.
struct FolderTotals {
  std::uint64_t bytes = 0;    ///< the sizes of its files added up
  std::uint64_t files = 0;
  std::uint64_t folders = 0;  ///< its sub-folders at every depth (itself not counted)
  friend bool operator==(const FolderTotals&, const FolderTotals&) = default;
};

/// A file line of one folder, decoded.
struct FolderFile {
  std::string name;            ///< UTF-8
  std::uint64_t size = 0;
  catalogue::CalendarTime time;
  std::uint64_t line = 0;      ///< the offset of its line in the catalogue (as Hit::line)
};

class FolderTree {
 public:
  /// A folder's number: folders are numbered in catalogue order, the root 0.
  using Index = std::uint32_t;
  static constexpr Index kRoot = 0;
  static constexpr Index kNone = ~Index{0};

  /// Reads every line of `catalogue` once and builds its tree: the files
  /// between folder lines counted `chunk_bytes` at a time on `threads`
  /// threads (0: one per core), then the folder lines read again in order. A line is a
  /// folder when it names one (catalogue::folder_path_of_line(): a folder line
  /// with damaged fields still holds the files below it), a file when it
  /// parses as one; other lines are skipped. A folder whose parent folder line
  /// is not open above it (a hand-edited catalogue) hangs below its nearest
  /// open ancestor, named by the rest of its path. Decides the catalogue's
  /// encoding when no search has. nullopt, with `error` naming the catalogue
  /// and the reason, when the file changed while it was read (reopen it and
  /// build again) or when `cancel` became true.
  static std::optional<FolderTree> build(std::shared_ptr<Catalogue> catalogue, std::string& error,
                                         const std::atomic<bool>* cancel = nullptr, unsigned threads = 0,
                                         std::uint64_t chunk_bytes = 4u << 20);

  /// The catalogue the tree was built from.
  [[nodiscard]] const std::shared_ptr<const Catalogue>& catalogue() const { return catalogue_; }
  /// The number of folders, the root included.
  [[nodiscard]] std::size_t size() const { return nodes_.size(); }
  /// Lines that were neither a folder nor a file.
  [[nodiscard]] std::uint64_t skipped() const { return skipped_; }

  /// Everything below `folder`.
  [[nodiscard]] const FolderTotals& totals(Index folder) const { return nodes_[folder].totals; }
  /// The folder that holds `folder`; kNone for the root.
  [[nodiscard]] Index parent(Index folder) const { return nodes_[folder].parent; }
  /// The first sub-folder of `folder` in catalogue order, then the next of the
  /// same parent; kNone after the last.
  [[nodiscard]] Index first_child(Index folder) const { return nodes_[folder].first_child; }
  [[nodiscard]] Index next_sibling(Index folder) const { return nodes_[folder].next_sibling; }
  /// The sub-folders of `folder`, in catalogue order.
  [[nodiscard]] std::vector<Index> children(Index folder) const;
  /// How many levels `folder` lies below the root (the root 0).
  [[nodiscard]] std::uint32_t depth(Index folder) const;
  /// The offset of `folder`'s line in the catalogue; kRootFolder for the root.
  [[nodiscard]] std::uint64_t line(Index folder) const { return nodes_[folder].line; }
  /// The folder whose files include the line at `line` (a Hit's), or the
  /// folder of that line itself: the last folder whose line starts at or before it.
  [[nodiscard]] Index folder_of_line(std::uint64_t line) const;

  /// `folder`'s name below its parent, decoded: its last level (more levels
  /// for one hung below a farther ancestor, joined by the catalogue's
  /// separator); the root's is the catalogue's root. nullopt when the
  /// catalogue changed since the tree was built.
  [[nodiscard]] std::optional<std::string> name(Index folder, NameDecoder& decoder) const;
  /// `folder`'s path below the root, decoded, levels joined by the
  /// catalogue's separator ("/" under a root that starts with "/", else "\"),
  /// without a trailing one; "." for the root. nullopt as name().
  [[nodiscard]] std::optional<std::string> path(Index folder, NameDecoder& decoder) const;
  /// The files directly in `folder`, in catalogue order; nullopt as name().
  [[nodiscard]] std::optional<std::vector<FolderFile>> files(Index folder, NameDecoder& decoder) const;

  /// The folder at `relative` (levels joined by "/" or "\", a trailing one
  /// allowed; "" or "." the root; the catalogue's root before it allowed),
  /// compared as decoded text: exactly, else, under a root that is not a POSIX
  /// path, without regard to case when that names one folder only. kNone when
  /// none is there (or the catalogue changed).
  [[nodiscard]] Index find(std::string_view relative, NameDecoder& decoder) const;

 private:
  struct Node {
    std::uint64_t line = kRootFolder;
    FolderTotals totals;
    Index parent = kNone;
    Index first_child = kNone;
    Index next_sibling = kNone;
    std::uint32_t name_begin = 0;  // where its name begins in its line's path: after its parent's path
  };
  FolderTree() = default;
  // The raw relative path of `folder`'s line ("" for the root); nullopt when it cannot be read.
  [[nodiscard]] std::optional<std::string> raw_path(Index folder) const;

  std::shared_ptr<const Catalogue> catalogue_;
  std::vector<Node> nodes_;
  std::uint64_t skipped_ = 0;
};

}  // namespace korvint::search
