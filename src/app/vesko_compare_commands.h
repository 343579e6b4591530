#pragma once
// vesko --duplicates and vesko --compare: files held more than once across the
// catalogues, and two catalogues compared, printed one line an entry.

#include <ostream>
#include <string>

#include "app/vesko_arguments.h"

namespace korvint::app {

/// Runs --duplicates or --compare as `options` ask: lines on `out`, reasons
/// on `err` begun with `me`. Returns 0 when a group (a difference) was found,
/// 1 when none, 2 on an error.
int run_vesko_compare_commands(const VeskoArguments& options, std::ostream& out, std::ostream& err,
                               const std::string& me);

/// A catalogue as --compare names it: "NAME", "NAME:FOLDER", "PATH.lst" or
/// "PATH.lst:FOLDER". A path ends in ".lst" (or holds a separator and no
/// colon before it); "C:Photos" is the catalogue C and its folder Photos.
struct CatalogueArgument {
  std::string catalogue;  ///< the name, or the path of the file
  std::string folder;     ///< the folder below its root; "" for the root
  bool is_path = false;
};
CatalogueArgument read_catalogue_argument(const std::string& argument);

}  // namespace korvint::app
