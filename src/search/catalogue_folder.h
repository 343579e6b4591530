#pragma once
// Which files of a catalogue folder are searched: every "*.lst", told apart by
// the lock a scan holds while it writes one. While Korvint writes NAME.lst it
// holds NAME.lst.lock and keeps the catalogue before it as NAME.lst.old: then
// the backup is searched, or what stands of a first scan with a note. A lock
// file nobody holds was left by a killed scan; a backup without a lock file
// is a stray file and is not searched.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_services.h"
#include "search/catalogue.h"

namespace korvint::search {

/// A catalogue file chosen from a folder listing.
struct CatalogueFile {
  std::string file_name;     ///< the file to read
  std::string fallback;      ///< for a ".old": the catalogue beside it, read when the ".old" is gone
  std::string display_name;  ///< the catalogue's name: the file name without ".lst"
  bool from_old = false;     ///< `file_name` is "NAME.lst.old", the last complete version
  bool growing = false;      ///< a scan writes `file_name` right now: what stands of it is searched
  std::string note;          ///< what its lock says ("NAME.lst is being written: incomplete"), or ""
};

/// Chooses from the file names of one folder: every name ending in ".lst"
/// (any case), by the state of its lock file "NAME.lst.lock" when the listing
/// holds one (`lock_state` is asked its file name). A lock file left by a
/// scan killed after its catalogue was complete (its note says so) leaves the
/// catalogue as it stands. Sorted by name.
std::vector<CatalogueFile> choose_catalogue_files(
    std::vector<std::string> file_names, const std::function<platform::LockProbe(const std::string&)>& lock_state);

/// The catalogues of some folders and what stood in the way.
struct CatalogueSet {
  std::vector<std::shared_ptr<Catalogue>> catalogues;  ///< folder by folder, by name within each
  /// What was searched otherwise than it stands, and files that are no
  /// catalogues: "notes.lst is not a catalogue", "a.lst is being written: incomplete".
  std::vector<std::string> notes;
  /// What could not be read: folders, catalogues that cannot be opened, files
  /// that are no files ("x.lst is not a file"), each with the reason.
  std::vector<std::string> errors;
  /// The folders that do not exist (their error is among `errors` too).
  std::vector<std::string> missing_folders;
};

/// Opens the catalogues of each of `folders`; a folder named twice (also
/// through a link) and a catalogue reached twice are read once.
CatalogueSet open_catalogue_folders(const std::vector<std::string>& folders);

}  // namespace korvint::search
