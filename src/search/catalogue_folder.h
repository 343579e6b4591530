#pragma once
// Which files of a catalogue folder are searched: every "*.lst", the ".old"
// backup instead of a catalogue that Korvint is rewriting, nothing that is not
// a catalogue.

#include <memory>
#include <string>
#include <vector>

#include "search/catalogue.h"

namespace korvint::search {

/// A catalogue file chosen from a folder listing.
struct CatalogueFile {
  std::string file_name;     ///< the file to read
  std::string fallback;      ///< for a ".old": the catalogue beside it, read when the ".old" is gone
  std::string display_name;  ///< the catalogue's name: the file name without ".lst"
  bool from_old = false;     ///< `file_name` is "NAME.lst.old", the last complete version
};

/// Chooses from the file names of one folder: every name ending in ".lst"
/// (any case), replaced by "NAME.lst.old" when that stands beside it, and a
/// lone "NAME.lst.old" too. Sorted by name.
std::vector<CatalogueFile> choose_catalogue_files(std::vector<std::string> file_names);

/// The catalogues of some folders and what stood in the way.
struct CatalogueSet {
  std::vector<std::shared_ptr<Catalogue>> catalogues;  ///< folder by folder, by name within each
  std::vector<std::string> notes;   ///< "notes.lst is not a catalogue", a ".old" searched instead, ...
  std::vector<std::string> errors;  ///< folders that could not be read, with the reason
};

/// Opens the catalogues of each of `folders`.
CatalogueSet open_catalogue_folders(const std::vector<std::string>& folders);

}  // namespace korvint::search
