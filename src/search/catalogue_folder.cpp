#include "search/catalogue_folder.h"

#include <algorithm>
#include <set>

#include "catalogue/file_names.h"
#include "platform/folder_source.h"

namespace korvint::search {
namespace {

class FileNames final : public platform::EntrySink {
 public:
  bool on_entry(const platform::DirEntry& entry) override {
    if (!entry.is_folder) names.emplace_back(entry.name);
    return true;
  }
  std::vector<std::string> names;
};

std::string join(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  const char last = folder.back();
  if (last == '/' || last == '\\') return folder + name;
#ifdef _WIN32
  return folder + "\\" + name;
#else
  return folder + "/" + name;
#endif
}

// The identity of a file or folder without its size and date: the same file
// reached twice, by two names or through a link.
std::pair<std::uint64_t, std::uint64_t> file_key(const platform::FileVersion& identity) {
  return {identity.device, identity.file};
}

}  // namespace

std::vector<CatalogueFile> choose_catalogue_files(
    std::vector<std::string> file_names, const std::function<platform::LockProbe(const std::string&)>& lock_state) {
  const std::set<std::string> present(file_names.begin(), file_names.end());
  std::vector<CatalogueFile> chosen;
  for (const std::string& name : file_names) {
    // Each catalogue once: by its own name, or by its backup when only that stands.
    std::string lst;
    const std::string_view unbacked = std::string_view(name).substr(
        0, name.size() - (catalogue::ends_with_caseless(name, catalogue::kBackupEnding) ? catalogue::kBackupEnding.size() : 0));
    if (catalogue::ends_with_caseless(name, catalogue::kCatalogueEnding)) {
      lst = name;
    } else if (unbacked.size() != name.size() && catalogue::ends_with_caseless(unbacked, catalogue::kCatalogueEnding) &&
               present.count(std::string(unbacked)) == 0) {
      lst = unbacked;
    } else {
      continue;
    }
    const std::string old = catalogue::backup_path(lst);
    const bool has_catalogue = present.count(lst) != 0;
    const bool has_old = present.count(old) != 0;
    const std::string lock = catalogue::lock_path(lst);
    const platform::LockProbe probe = present.count(lock) != 0 ? lock_state(lock) : platform::LockProbe{};
    platform::LockState state = probe.state;
    // Killed after its catalogue was written and synced, before the backup
    // went: the catalogue is complete, and the backup older.
    if (state == platform::LockState::NotHeld && has_catalogue && probe.left_note == catalogue::lock_note::kComplete)
      state = platform::LockState::Absent;
    CatalogueFile file{lst, {}, lst.substr(0, lst.size() - catalogue::kCatalogueEnding.size()), false, false, {}};
    if (state == platform::LockState::Absent) {
      if (!has_catalogue) continue;  // a backup no scan keeps: a stray file
    } else {
      file.note = lst + (state == platform::LockState::Held ? " is being written"
                                                              : " is incomplete (its scan was interrupted)");
      if (has_old) {
        file.file_name = old;
        file.fallback = has_catalogue ? lst : std::string();
        file.from_old = true;
        file.note += ": searched its last complete version, " + old;
      } else if (state == platform::LockState::Held) {
        file.growing = true;
        file.note += ": incomplete";
      }
    }
    chosen.push_back(std::move(file));
  }
  std::sort(chosen.begin(), chosen.end(), [](const CatalogueFile& a, const CatalogueFile& b) {
    return a.display_name != b.display_name ? a.display_name < b.display_name : a.file_name < b.file_name;
  });
  return chosen;
}

CatalogueSet open_catalogue_folders(const std::vector<std::string>& folders) {
  CatalogueSet set;
  const auto source = platform::make_system_folder_source();
  std::set<std::pair<std::uint64_t, std::uint64_t>> folders_seen;
  std::set<std::pair<std::uint64_t, std::uint64_t>> files_seen;
  for (const std::string& folder : folders) {
    const std::string at = folder.empty() ? std::string(".") : folder;
    const auto folder_identity = platform::identity_of(at);
    if (folder_identity && !folders_seen.insert(file_key(*folder_identity)).second) continue;
    platform::Status error;
    const auto opened = source->open_root(at, error);
    FileNames listing;
    if (opened) error = opened->list(listing);
    if (!opened || !error.ok()) {
      if (!folder_identity) {
        set.missing_folders.push_back(folder);
        set.errors.push_back("the catalogue folder \"" + folder + "\" does not exist");
      } else {
        set.errors.push_back("Cannot read the catalogue folder \"" + folder + "\": " + error.message());
      }
      continue;
    }
    const auto lock_state = [&](const std::string& lock) { return platform::probe_lock(join(folder, lock)); };
    for (const CatalogueFile& file : choose_catalogue_files(std::move(listing.names), lock_state)) {
      OpenProblem problem = OpenProblem::None;
      std::string message;
      auto catalogue = Catalogue::open(
          CatalogueSource{join(folder, file.file_name), file.file_name, file.display_name, file.from_old, file.growing},
          problem, message);
      bool from_old = file.from_old;
      if (!catalogue && problem == OpenProblem::Unreadable && !file.fallback.empty()) {
        // The backup went while we looked: the scan is over, its catalogue complete.
        catalogue = Catalogue::open(CatalogueSource{join(folder, file.fallback), file.fallback, file.display_name},
                                    problem, message);
        from_old = false;
      }
      if (catalogue && !files_seen.insert(file_key(catalogue->identity())).second) continue;
      if (catalogue) {
        // After a fallback to the catalogue itself its lock has nothing more to say.
        if (!file.note.empty() && from_old == file.from_old) set.notes.push_back(file.note);
        set.catalogues.push_back(std::move(catalogue));
      } else if (problem == OpenProblem::NotACatalogue) {
        // A scan that has written little or nothing yet: its lock says what it is.
        set.notes.push_back(file.note.empty() ? file.file_name + " is not a catalogue" : file.note);
      } else if (problem == OpenProblem::NotAFile) {
        set.errors.push_back(file.file_name + " is not a file");
      } else {
        set.errors.push_back(message);
      }
    }
  }
  return set;
}

}  // namespace korvint::search
