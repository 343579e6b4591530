#pragma once
// Vesko's command line read once, for the search on the terminal and for the
// window alike: options first, then the query's words.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvint::app {

/// What `vesko ARGS` asks for.
struct VeskoArguments {
  std::vector<std::string> folders;  ///< --catalogues DIR, in order
  std::optional<std::size_t> limit;  ///< --limit N, above 0
  bool count = false;
  bool check = false;
  std::optional<std::string> encoding;
  bool help = false;
  bool version = false;
  bool duplicates = false;                ///< --duplicates: files held more than once
  std::optional<std::string> by;          ///< --by KEYS (with --duplicates)
  std::vector<std::string> compare;       ///< --compare A B: the two catalogues, each maybe CATALOGUE:FOLDER
  bool all = false;                       ///< --all (with --compare)
  bool ignore_date = false;               ///< --ignore-date (with --compare)
  std::string query;  ///< the query's words, joined by spaces
  std::vector<std::string> words;  ///< the same words one by one
  bool list = false;                   ///< --list: the overview of the catalogues
  std::optional<std::string> tree;     ///< --tree CATALOGUE: its folders with their totals (words: the FOLDER)
  std::optional<std::uint32_t> depth;  ///< --depth N: the levels --tree prints
  bool index = false;                  ///< --index: build or refresh the catalogues' indexes
  bool no_index = false;               ///< --no-index: search every catalogue without its index
  /// True when nothing but --catalogues DIR and --encoding NAME was given
  /// (nothing at all included): the command line of the window.
  bool window = true;
  std::string error;  ///< a usage error; empty when there is none
};

/// Reads `arguments` (those after the program's name). Options come first:
/// after "--" or the first word that is not an option, every argument is a
/// query word, so "-draft" leaves names out as in the query box. "--" is never
/// a query word. An option's name after the first word, with no "--" before
/// it, is an error: it was surely not meant to leave names out. After
/// --tree CATALOGUE the words name a folder, and options may follow them. An
/// option takes its value from the next argument or after "=" (--limit=5).
VeskoArguments read_vesko_arguments(const std::vector<std::string>& arguments);

/// What the command line gives the window.
struct VeskoWindowOptions {
  std::vector<std::string> folders;  ///< --catalogues DIR, in order; empty: Vesko.ini's
  std::optional<std::string> encoding;
};

/// The window's options when `arguments` ask for the window (see
/// VeskoArguments::window); nullopt for anything else (a query, --help, a
/// usage error...), which the command line serves.
std::optional<VeskoWindowOptions> vesko_window_options(const std::vector<std::string>& arguments);

}  // namespace korvint::app
