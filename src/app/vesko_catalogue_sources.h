#pragma once
// Where Vesko's commands find their catalogues, and how they read names that
// are not UTF-8: the command line's, else Vesko.ini's.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/vesko_arguments.h"

namespace korvint::app {

/// The catalogue folders and code page of one command.
struct CatalogueSources {
  std::vector<std::string> folders;
  std::string code_page;
};

/// The folders of --catalogues, else the one Vesko.ini names, else Korvint's
/// default output folder; the code page of --encoding, else Vesko.ini's.
/// nullopt, with the reason on `err` begun with `program`, when there is no
/// folder yet (without `need_folders`: no folder at all) or the code page is unknown.
std::optional<CatalogueSources> catalogue_sources(const VeskoArguments& options, std::ostream& err,
                                                  const std::string& program, bool need_folders = true);

}  // namespace korvint::app
