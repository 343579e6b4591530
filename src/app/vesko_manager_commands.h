#pragma once
// Vesko's commands that manage the collection rather than search it: the
// overview of every catalogue (--list) and one catalogue's folders with the
// totals below each (--tree).

#include <ostream>
#include <string>

#include "app/vesko_arguments.h"

namespace korvint::app {

/// Runs --list or --tree as `options` ask: lines on `out`, reasons on `err`
/// begun with `program`. Returns the exit status: 0 done, 2 on an error (a
/// wrong command line, a catalogue or folder not found or not readable).
///
/// --list prints one line a catalogue:
///   CATALOGUE<TAB>ROOT<TAB>FILES<TAB>FOLDERS<TAB>BYTES<TAB>YYYY-MM-DD HH:MM:SS<TAB>online|offline
/// ("drive present" for a Windows drive root whose drive is there).
/// --tree CATALOGUE [FOLDER] [--depth N] prints FOLDER (default the root)
/// and the folders below it to N levels (default 1), in catalogue order:
///   BYTES<TAB>FILES<TAB>FOLDERS<TAB>FOLDER PATH
/// the totals counting everything below each, the path relative to the root
/// ("." for the root itself) with the catalogue's separator.
int run_manager_command(const VeskoArguments& options, std::ostream& out, std::ostream& err,
                        const std::string& program);

}  // namespace korvint::app
