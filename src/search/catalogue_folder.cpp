#include "search/catalogue_folder.h"

#include <algorithm>
#include <set>

#include "platform/folder_source.h"
#include "search/text_match.h"

namespace korvint::search {
namespace {

bool ends_with_caseless(std::string_view text, std::string_view suffix) {
  return text.size() > suffix.size() && equals_caseless(text.substr(text.size() - suffix.size()), suffix);
}

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

}  // namespace

std::vector<CatalogueFile> choose_catalogue_files(std::vector<std::string> file_names) {
  const std::set<std::string> present(file_names.begin(), file_names.end());
  std::vector<CatalogueFile> chosen;
  for (const std::string& name : file_names) {
    if (ends_with_caseless(name, ".lst")) {
      CatalogueFile file{name, {}, name.substr(0, name.size() - 4), false};
      if (present.count(name + ".old") != 0) {
        file.fallback = name;
        file.file_name = name + ".old";
        file.from_old = true;
      }
      chosen.push_back(std::move(file));
    } else if (ends_with_caseless(name, ".lst.old")) {
      const std::string catalogue = name.substr(0, name.size() - 4);
      if (present.count(catalogue) == 0) chosen.push_back(CatalogueFile{name, {}, catalogue.substr(0, catalogue.size() - 4), true});
    }
  }
  std::sort(chosen.begin(), chosen.end(), [](const CatalogueFile& a, const CatalogueFile& b) {
    return a.display_name != b.display_name ? a.display_name < b.display_name : a.file_name < b.file_name;
  });
  return chosen;
}

CatalogueSet open_catalogue_folders(const std::vector<std::string>& folders) {
  CatalogueSet set;
  const auto source = platform::make_system_folder_source();
  for (const std::string& folder : folders) {
    platform::Status error;
    const auto opened = source->open_root(folder.empty() ? std::string(".") : folder, error);
    FileNames listing;
    if (opened) error = opened->list(listing);
    if (!opened || !error.ok()) {
      set.errors.push_back("Cannot read the catalogue folder \"" + folder + "\": " + error.message());
      continue;
    }
    for (const CatalogueFile& file : choose_catalogue_files(std::move(listing.names))) {
      OpenProblem problem = OpenProblem::None;
      std::string message;
      auto catalogue = Catalogue::open(join(folder, file.file_name), file.display_name, file.from_old, problem, message);
      if (!catalogue && problem == OpenProblem::Unreadable && !file.fallback.empty()) {
        // The backup went while we looked: the rewrite is complete.
        catalogue = Catalogue::open(join(folder, file.fallback), file.display_name, false, problem, message);
      }
      if (catalogue) {
        if (catalogue->from_old())
          set.notes.push_back(file.display_name + " is being rewritten: searched its last complete version, " +
                              file.file_name);
        set.catalogues.push_back(std::move(catalogue));
      } else if (problem == OpenProblem::NotACatalogue) {
        set.notes.push_back(file.file_name + " is not a catalogue");
      } else {
        set.notes.push_back(message);
      }
    }
  }
  return set;
}

}  // namespace korvint::search
