#pragma once
// The query language in short: the text of vesko --help and of the help
// window F1 opens in both of Vesko's windows, and the query box's tooltip.

namespace korvint::app {

/// The query box's tooltip: short, so that it does not cover the results
/// while the user types; F1 shows kQueryHelp.
inline constexpr char kQueryTooltip[] = "Type words; F1 for the query language";

/// The title of the window that shows kQueryHelp.
inline constexpr char kQueryHelpTitle[] = "Vesko \xE2\x80\x94 the query language";

inline constexpr char kQueryHelp[] =
    "Words separated by spaces must all match, in any case, anywhere in the name:\n"
    "  holiday 2019           names holding both \"holiday\" and \"2019\"\n"
    "  cafe munchen           a word without accents finds names with or without them\n"
    "                         (Caf\xC3\xA9, M\xC3\xBCnchen); caf\xC3\xA9 finds only names with the accent\n"
    "  strasse                case folds fully: finds Stra\xC3\x9F" "e and STRASSE too\n"
    "  *.mp3   report-??.pdf  with * or ? the word must match the whole name\n"
    "  \"two words\"            a phrase with its space (* and ? taken as they are)\n"
    "  -word                  leaves out what matches word (also -ext:tmp, -path:cache)\n"
    "  path:photos/2019       matches the full path instead of the name; / and \\ each\n"
    "                         match either separator; a word with / or \\ is a path: word\n"
    "  size:10MB  size:1.5G   files of about that size (10 to 11 MiB, 1.5 to 1.6 GiB)\n"
    "  size:>700MB  size:<1k  size:1GB..4GB  size:=1024\n"
    "                         files by size (K, M, G, T are powers of 1024; B optional)\n"
    "  date:2019  date:2019-03  date:2019-03-01..2019-06-30  date:>2020\n"
    "                         by the entry's date in the catalogue\n"
    "  ext:mp3;flac           files with one of these extensions\n"
    "  type:file  type:folder\n"
    "  in:NAME                only catalogues whose name holds NAME (in:a;b for several)\n"
    "A word with another prefix (typ:file) is an error; in quotes it is text.\n";

}  // namespace korvint::app
