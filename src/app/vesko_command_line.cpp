#include "app/vesko_command_line.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "app/vesko_arguments.h"
#include "app/vesko_catalogue_sources.h"
#include "app/vesko_manager_commands.h"
#include "app/vesko_compare_commands.h"
#include "app/vesko_index_commands.h"
#include "app/query_help.h"
#include "platform/case_folding.h"
#include "platform/file_services.h"
#include "platform/text_decoding.h"
#include "search/catalogue_folder.h"
#include "search/index_search.h"
#include "search/result_line.h"
#include "search/searcher.h"
#include "shell/vesko_settings.h"

#ifndef KORVINT_VERSION
#define KORVINT_VERSION "0.0.0"
#endif

namespace korvint::app {
namespace {

// Prints each result as the search hands it over, so the first lines are out
// while the rest is searched and memory stays flat however many are found. A
// catalogue that changed since its results were found cannot give them any
// more: they are left out, and it is named.
class ResultPrinter final : public search::ResultSink {
 public:
  ResultPrinter(const std::string& code_page, std::ostream& out) : decoder_(code_page), out_(out) {}

  bool take(const std::shared_ptr<const search::Catalogue>& catalogue, std::vector<search::Hit> hits) override {
    if (catalogue != held_catalogue_) {
      // Each catalogue opened once for all its results, not once a line.
      hold_.reset();
      hold_ = std::make_unique<search::Catalogue::Hold>(*catalogue);
      held_catalogue_ = catalogue;
    }
    for (const search::Hit& hit : hits) {
      if (!search::append_result_line(block_, *catalogue, hit, decoder_)) count(left_out_, catalogue->source().file_name);
      if (block_.size() >= kBlockBytes) write();
    }
    write();
    return static_cast<bool>(out_);
  }

  // What is printed stays printed: the fresh version's results follow, and a note says so.
  bool withdraw(std::size_t, std::size_t count_printed) override {
    if (held_catalogue_) count(withdrawn_, held_catalogue_->source().file_name, count_printed);
    return true;
  }

  /// What went otherwise than asked, for stderr: results left out, results of an earlier version printed.
  void add_notes(std::vector<std::string>& errors, std::vector<std::string>& notes) const {
    for (const auto& [file, number] : left_out_)
      errors.push_back(file + " changed while its results were written: " + results_text(number) + " left out");
    for (const auto& [file, number] : withdrawn_)
      notes.push_back(file + " changed during the search: the " + results_text(number) +
                      " printed before came from its earlier version");
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

  using Counts = std::vector<std::pair<std::string, std::uint64_t>>;
  static void count(Counts& counts, const std::string& file, std::uint64_t number = 1) {
    if (counts.empty() || counts.back().first != file) counts.emplace_back(file, 0);
    counts.back().second += number;
  }
  static std::string results_text(std::uint64_t number) {
    return std::to_string(number) + (number == 1 ? " result" : " results");
  }
  void write() {
    if (block_.empty()) return;
    out_.write(block_.data(), static_cast<std::streamsize>(block_.size()));
    out_.flush();
    block_.clear();
  }

  search::NameDecoder decoder_;
  std::ostream& out_;
  std::string block_;
  std::shared_ptr<const search::Catalogue> held_catalogue_;
  std::unique_ptr<search::Catalogue::Hold> hold_;
  Counts left_out_;
  Counts withdrawn_;
};

// Keeps no result: for --count, which needs only how many.
class ResultCounter final : public search::ResultSink {
 public:
  bool take(const std::shared_ptr<const search::Catalogue>&, std::vector<search::Hit>) override { return true; }
  bool withdraw(std::size_t, std::size_t) override { return true; }
};

}  // namespace

std::string program_name(std::string_view argv0, std::string_view fallback) {
  const auto slash = argv0.find_last_of("/\\");
  const std::string_view name = slash == std::string_view::npos ? argv0 : argv0.substr(slash + 1);
  return std::string(name.empty() ? fallback : name);
}

std::string vesko_usage(std::string_view program) {
  const std::string me(program);
  std::string usage = "Usage: " + me +
                      " [--catalogues DIR]... [--limit N] [--count] [--check] [--encoding NAME] [--] QUERY...\n"
                      "       " + me + " [--catalogues DIR]... --list\n"
                      "       " + me + " [--catalogues DIR]... --index\n"
                      "       " + me + " [--catalogues DIR]... --tree CATALOGUE [FOLDER] [--depth N]\n"
                      "       " + me + " [--catalogues DIR]... --duplicates [--by KEYS] [QUERY...]\n"
                      "       " + me + " [--catalogues DIR]... --compare A B [--all] [--ignore-date] [QUERY...]\n"
                      "Searches the catalogues (*.lst) that Korvint makes and prints one line a result:\n"
                      "CATALOGUE<TAB>FULL PATH<TAB>SIZE<TAB>YYYY-MM-DD HH:MM:SS\n"
                      "\n"
                      "  --catalogues DIR  search the catalogues in DIR (may be given more than once);\n"
                      "                    without it, the folder on the first line of Vesko.ini, else\n"
                      "                    Korvint's default output folder\n"
                      "  --limit N         stop after N results\n"
                      "  --count           print only the number of results\n"
                      "  --check           also read every line and say how many of each catalogue\n"
                      "                    are not in the catalogue format (slower)\n"
                      "  --encoding NAME   the code page of catalogues that are not UTF-8\n"
                      "                    (default: the ANSI code page on Windows, else Windows-1252)\n"
                      "  --list            print one line a catalogue: CATALOGUE<TAB>ROOT<TAB>FILES<TAB>\n"
                      "                    FOLDERS<TAB>BYTES<TAB>WRITTEN<TAB>online|offline<TAB>indexed|-\n"
                      "  --index           build or refresh the index of every catalogue, so that\n"
                      "                    searches read only what may match; a search uses the\n"
                      "                    indexes that are fresh and reads the other catalogues whole\n"
                      "  --no-index        read every catalogue whole\n"
                      "  --tree CATALOGUE  print FOLDER (default the root) and the folders below it:\n"
                      "                    BYTES<TAB>FILES<TAB>FOLDERS<TAB>FOLDER PATH, totals of all below;\n"
                      "                    CATALOGUE is a name as in results or the path of a .lst\n"
                      "  --depth N         the levels --tree prints below FOLDER (default 1)\n"
                      "  --duplicates      print the files held more than once (the query narrows\n"
                      "                    them): GROUP<TAB>CATALOGUE<TAB>FULL PATH<TAB>SIZE<TAB>DATE\n"
                      "  --by KEYS         duplicates alike by name,size (default), size,date or name\n"
                      "  --compare A B     compare catalogue A with B (a name or a .lst path, each\n"
                      "                    maybe NAME:FOLDER): -/+/~ lines, a summary on stderr,\n"
                      "                    exit 0 when equal, 1 when they differ\n"
                      "  --all             with --compare: every entry below a missing folder\n"
                      "  --ignore-date     with --compare: files differ by size only\n"
                      "  --help, --version\n"
                      "  --                ends the options, before a first word like -word\n"
                      "\n"
                      "Options come first. From the first word that is not an option on, every\n"
                      "argument is a word of the query, so -word leaves names out as in the window.\n";
#ifdef _WIN32
  usage += "In cmd.exe put a word with < > | & ^ or a space in double quotes, and write a\n"
           "phrase's own quotes as \\\":\n"
           "  " + me + " holiday \"\\\"two words\\\"\" -draft \"size:>1M\" *.jpg\n"
           "Results written to a file or a pipe are UTF-8 with CR LF line ends, without a\n"
           "byte order mark; on the console every name shows as it is.\n";
#else
  usage += "The shell needs quotes around a phrase's quotes and around < > * ? ; and spaces:\n"
           "  " + me + " holiday '\"two words\"' -draft 'size:>1M' '*.jpg'\n";
#endif
  usage += "\nQuery:\n";
  usage += app::kQueryHelp;
  usage += "\nExit status: 0 when something was found, 1 when nothing, 2 on an error (also\n"
           "when results were found but some catalogue or folder could not be read).\n";
#ifdef _WIN32
  usage += "Vesko.ini is looked for in the program's folder.\n";
#else
  usage += "Vesko.ini is looked for in the program's folder, then as\n"
           "$XDG_CONFIG_HOME/korvint/Vesko.ini (by default ~/.config/korvint/Vesko.ini).\n";
#endif
  return usage;
}

int run_vesko(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
              std::string_view program) {
  const std::string me(program);
  VeskoArguments options = read_vesko_arguments(arguments);
  if (!options.error.empty()) {
    err << me << ": " << options.error << " (try " << me << " --help)\n";
    return 2;
  }
  if (options.help) {
    out << vesko_usage(program);
    return 0;
  }
  if (options.version) {
    // Which folding compares names: on Windows it depends on the system.
    const platform::SearchFolding folding = platform::search_folding();
    out << "vesko " << KORVINT_VERSION << "\n"
        << "case folding: " << folding.version
        << (folding.full ? " (Unicode full case folding)\n" : " (lowercase only: icu.dll was not found)\n");
    return 0;
  }
  if (options.list || options.tree || options.depth) return run_manager_command(options, out, err, me);
  if (options.duplicates || !options.compare.empty()) return run_vesko_compare_commands(options, out, err, me);
  if (options.index) {
    if (!options.words.empty()) {
      err << me << ": --index takes no query (try " << me << " --help)\n";
      return 2;
    }
    return run_index_command(options, out, err, me);
  }
  if (options.query.empty()) {
    err << me << ": no query given (try " << me << " --help)\n";
    return 2;
  }
  std::string error;
  auto query = search::parse_query(options.query, error);
  if (!query) {
    err << me << ": " << error << "\n";
    return 2;
  }

  const auto sources = catalogue_sources(options, err, me);
  if (!sources) return 2;
  options.folders = sources->folders;
  const std::string& code_page = sources->code_page;

  // Errors make the exit status 2 whatever was found (grep's rule); notes do not.
  search::CatalogueSet set = search::open_catalogue_folders(options.folders);
  std::vector<std::string> errors = std::move(set.errors);
  for (const std::string& note : set.notes) err << me << ": " << note << "\n";
  if (set.catalogues.empty() && errors.empty()) {
    for (const std::string& folder : options.folders) errors.push_back("no catalogues in \"" + folder + "\"");
  }

  search::SearchOptions search_options;
  search_options.max_hits = options.limit.value_or(0);
  search_options.code_page = code_page;
  const search::Matcher matcher(std::move(*query));
  // A count keeps no result: the results an index proves are counted, not read
  // (with a limit, the search ends once the count reaches it).
  const search::index::IndexPlanner planner(matcher.query(), search_index_folder(options), nullptr, options.count);
  search_options.planner = &planner;
  if (options.check) {
    std::vector<std::string> check_notes;
    for (int attempt = 0; attempt < 3; ++attempt) {
      search::check_catalogues(set.catalogues, search_options);
      if (!search::reopen_changed(set.catalogues, "while it was checked: checked again", check_notes, errors)) break;
    }
    for (const std::string& note : check_notes) err << me << ": " << note << "\n";
    for (const auto& catalogue : set.catalogues) {
      const std::string note = search::skipped_lines_note(*catalogue);
      if (!note.empty()) err << me << ": " << note << "\n";
    }
  }
  ResultPrinter printer(code_page, out);
  ResultCounter counter;
  search::ResultSink& sink = options.count ? static_cast<search::ResultSink&>(counter) : printer;
  const search::SearchOutcome outcome = search::run_search(set.catalogues, matcher, search_options, sink);
  std::vector<std::string> notes = outcome.notes;
  errors.insert(errors.end(), outcome.errors.begin(), outcome.errors.end());
  printer.add_notes(errors, notes);
  for (const std::string& note : notes) err << me << ": " << note << "\n";
  if (options.count) out << outcome.found << "\n";
  out.flush();
  for (const std::string& error : errors) err << me << ": " << error << "\n";
  if (!out) {
    err << me << ": cannot write the results\n";
    return 2;
  }
  if (!errors.empty()) return 2;
  return outcome.found == 0 ? 1 : 0;
}

}  // namespace korvint::app
