#pragma once
// Vesko's indexes on the command line: `vesko --index` builds or refreshes
// them; a search uses the fresh ones unless --no-index.

#include <ostream>
#include <string>

#include "app/vesko_arguments.h"

namespace korvint::app {

/// vesko --index: builds the index of every catalogue of the folders that
/// has no fresh one (progress on stderr when it is a terminal), deletes the
/// indexes of the folders' catalogues that are gone, and prints what it did.
/// 0 when every catalogue is indexed, 2 otherwise.
int run_index_command(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me);

/// The folder of the indexes a search of `options` uses ("" with --no-index).
std::string search_index_folder(const VeskoArguments& options);

}  // namespace korvint::app
