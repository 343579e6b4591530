#pragma once
// Opening a catalogued file or folder from a table: shown in the file
// manager when it is there, else a message saying why it is not.

#include <string>

#include "jobs/vesko_session.h"

namespace korvint::jobs {

/// Shows `path` (an entry of `catalogue`, UTF-8) in the file manager when it
/// exists; else tells through `host` that it is gone from its attached disk,
/// or that its disk is not attached (naming the catalogue and root).
/// `services` must have its files and file manager set.
void open_entry(const search::Catalogue& catalogue, const std::string& path, const VeskoServices& services,
                ui::VeskoHost& host);

}  // namespace korvint::jobs
