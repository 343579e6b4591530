#pragma once
// Where vesko's commands find their catalogues and how they decode them: the
// folders and code page the command line names, else Vesko.ini's, else
// Korvint's default output folder.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/vesko_arguments.h"
#include "search/catalogue_folder.h"

namespace korvint::app {

/// The catalogue folders and the code page of catalogues that are not UTF-8.
struct VeskoSources {
  std::vector<std::string> folders;
  std::string code_page;
};

/// The sources `options` name, completed from Vesko.ini; nullopt after a
/// line on `err` (begun with `me`) saying why there are none (no folder yet,
/// an unknown code page).
std::optional<VeskoSources> vesko_sources(const VeskoArguments& options, std::ostream& err, const std::string& me);

/// The catalogues of `folders`, their notes written to `err`; a folder
/// without any is named among the errors.
search::CatalogueSet open_vesko_catalogues(const std::vector<std::string>& folders, std::ostream& err,
                                           const std::string& me);

}  // namespace korvint::app
