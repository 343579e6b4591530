#include "engine/walker.h"

#include <limits>
#include <memory>
#include <optional>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/folder_prefetch.h"
#include "engine/name_pattern.h"
#include "platform/program_folder.h"

namespace korvint::engine {
namespace {

using catalogue::append_name;
using catalogue::to_calendar;
using platform::DirEntry;
using platform::FolderId;
using platform::OpenFolder;

struct SubFolder {
  std::string name;
  std::int64_t created = 0;
  bool is_link = false;
  std::optional<FolderId> id;
};

// One folder on the descent path: its open handle, its sub-folders and how far
// the descent into them has gone.
struct Level {
  std::unique_ptr<OpenFolder> folder;
  std::optional<FolderId> id;
  std::vector<SubFolder> sub_folders;
  std::size_t next = 0;
  std::size_t relative_length = 0;  // length of the folder's relative path, with its "\"
};

// Receives one folder's listing: writes the file lines at once, keeps the sub-folders.
class ListingSink final : public platform::EntrySink {
 public:
  ListingSink(Level& level, const std::string& pattern, CatalogueWriter& writer, TurnPacer& pacer,
              std::int64_t utc_offset, std::int32_t& file_count, std::uint64_t& files)
      : level_(level),
        pattern_(pattern),
        every_name_(pattern == "*" || pattern == "*.*"),
        writer_(writer),
        pacer_(pacer),
        utc_offset_(utc_offset),
        file_count_(file_count),
        files_(files) {}

  bool on_entry(const DirEntry& entry) override {
    if (entry.is_folder) {
      level_.sub_folders.push_back(
          SubFolder{std::string(entry.name), entry.creation_time, entry.is_link, entry.id});
    } else if (every_name_ || matches_pattern(pattern_, entry.name)) {
      writer_.file_line(entry.name, entry.size, to_calendar(entry.write_time, utc_offset_));
      if (file_count_ < std::numeric_limits<std::int32_t>::max()) ++file_count_;
      ++files_;
    }
    // Entries may come slowly (a network share, a helper still reading): the
    // window gets its turns between them.
    if (pacer_.offer()) return false;
    return !writer_.failed();
  }

 private:
  Level& level_;
  const std::string& pattern_;
  bool every_name_;
  CatalogueWriter& writer_;
  TurnPacer& pacer_;
  std::int64_t utc_offset_;
  std::int32_t& file_count_;
  std::uint64_t& files_;
};

}  // namespace

Walker::Walker(platform::FolderSource& source, CatalogueWriter& writer, TurnPacer& pacer,
               std::int64_t utc_offset_seconds, unsigned listing_threads)
    : source_(source),
      writer_(writer),
      pacer_(pacer),
      utc_offset_(utc_offset_seconds),
      listing_threads_(listing_threads) {}

WalkResult Walker::FindFilesAPI(std::string& path, const std::string& SearchStr,
                                 std::int32_t& FileCount, std::int32_t& DirCount) {
  (void)DirCount;  // handed on unchanged by every level; nothing reads it
  WalkResult result;
  path = platform::with_trailing_separator(std::move(path));
  if (pacer_.stop_asked()) {
    result.stopped = true;
    return result;
  }

  auto note_unreadable = [&result](const std::string& where, const platform::Status& why) {
    if (result.unreadable_folders++ == 0) result.first_unreadable = where + ": " + why.message();
  };

  // Lists one folder into `level`; a listing that fails part-way keeps what it gave.
  auto list = [&](Level& level, const std::string& relative_path) {
    ListingSink sink(level, SearchStr, writer_, pacer_, utc_offset_, FileCount, result.files);
    const platform::Status listed = level.folder->list(sink);
    if (!listed.ok()) note_unreadable(path + relative_path, listed);
  };

  // Declared before the descent path: its helpers end only after every folder
  // it handed out is closed.
  std::optional<FolderPrefetch> prefetch;
  if (listing_threads_ > 0 && source_.folders_open_at_once() >= kFoldersForReadAhead)
    prefetch.emplace(source_, pacer_, listing_threads_);
  platform::FolderSource& source = prefetch ? *prefetch : source_;

  platform::Status error;
  std::vector<Level> descent;
  // The folders entered in this walk, by identity.
  std::unordered_set<FolderId, platform::FileIdentityHash> entered;
  {
    Level root;
    root.folder = source.open_root(path, error);
    if (!root.folder) {
      note_unreadable(path, error);
      result.write_status = writer_.status();
      return result;
    }
    root.id = root.folder->id();
    if (root.id) entered.insert(*root.id);
    descent.push_back(std::move(root));
    list(descent.back(), std::string());
  }

  // The relative path of the folder being written, levels joined by "\": the
  // form the catalogue's readers expect on every platform.
  std::string relative;
  while (!descent.empty() && !writer_.failed()) {
    Level& level = descent.back();
    if (level.next == level.sub_folders.size()) {
      descent.pop_back();
      continue;
    }
    SubFolder& sub = level.sub_folders[level.next++];

    if (FileCount > 499) {
      pacer_.progress_step();
      FileCount = 0;
    } else {
      (void)pacer_.offer();
    }

    relative.resize(level.relative_length);
    append_name(relative, sub.name);
    relative += '\\';
    writer_.folder_line(relative, to_calendar(sub.created, utc_offset_));
    ++result.folders;

    // The descent into `sub`: it ends at once once the stop flag is set.
    if (pacer_.stop_asked()) {
      result.stopped = true;
      continue;
    }
    // Every folder is entered once in a walk, however many links or mounts
    // lead to it: link cycles of any shape end, and links that branch and
    // meet again do not multiply the catalogue. A folder met again is a
    // folder line with nothing below it. The identity comes from the listing
    // where it can, so a folder met again is not even opened.
    std::optional<FolderId> child_id = sub.id;
    if (child_id && entered.count(*child_id) > 0) {
      ++result.folders_met_again;
      continue;
    }
    std::unique_ptr<OpenFolder> child = level.folder->open_child(sub.name, error);
    if (!child) {
      note_unreadable(path + relative, error);
      continue;
    }
    if (!child_id) child_id = child->id();
    if (!child_id) {
      // A link whose folder cannot be told from those entered could close a
      // circle: it is not entered. A plain folder can close none.
      if (sub.is_link) {
        ++result.folders_met_again;
        continue;
      }
    } else if (!entered.insert(*child_id).second) {
      ++result.folders_met_again;
      continue;
    } else if (level.id && child_id->volume != level.id->volume && child->is_pseudo_file_system()) {
      // Another file system mounted here, one that shows the kernel's state
      // rather than files (/proc, /sys, /dev...): listed, not entered.
      ++result.pseudo_file_systems_not_entered;
      continue;
    }
    Level next;
    next.folder = std::move(child);
    next.id = child_id;
    next.relative_length = relative.size();
    descent.push_back(std::move(next));  // `level` and `sub` are not used past this point
    list(descent.back(), relative);
  }
  if (pacer_.stop_asked()) result.stopped = true;
  result.write_status = writer_.status();
  return result;
}

}  // namespace korvint::engine
