#pragma once
// The actions on the rows of a view's table, the same in every view window:
// opened in the file manager, copied (full paths, names, or the rows as text
// lines), exported as CSV or TSV.

#include <cstddef>
#include <string>
#include <vector>

#include "jobs/vesko_session.h"
#include "jobs/vesko_view_rows.h"

namespace korvint::jobs {

/// Shows the entry of `row` of `rows` in the file manager, or says why not (open_entry()).
void open_view_row(const ViewRows& rows, std::size_t row, const VeskoServices& services, ui::VeskoHost& host);

/// Puts `chosen` rows of `rows` on the clipboard as `what` says, one a line
/// (a row without an entry, a group's own, only as text lines); nothing when
/// a catalogue changed since the rows were made.
void copy_view_rows(const ViewRows& rows, const std::vector<std::size_t>& chosen, ui::ResultMenuItem what,
                    const VeskoServices& services, ui::VeskoHost& host);

/// "Export...": every row of `rows` to a CSV or TSV file the user names
/// (`suggested` first), numbers without thousands separators; a message box
/// says what stood in the way.
void export_view_rows(const ViewRows& rows, const std::string& suggested, ui::VeskoHost& host);

}  // namespace korvint::jobs
