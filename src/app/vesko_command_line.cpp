#include "app/vesko_command_line.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <optional>
#include <string_view>

#include "app/vesko_arguments.h"
#include "platform/case_folding.h"
#include "platform/file_services.h"
#include "platform/text_decoding.h"
#include "search/catalogue_folder.h"
#include "search/query.h"
#include "search/result_line.h"
#include "search/searcher.h"
#include "shell/vesko_settings.h"

#ifndef KORVINT_VERSION
#define KORVINT_VERSION "0.0.0"
#endif

namespace korvint::app {
namespace {

// What the command line says when no folder is named and none is set.
constexpr const char* kNoFolderYet =
    "no catalogue folder yet: name one with --catalogues DIR or on the first line of Vesko.ini, "
    "or make catalogues with Korvint";

// Writes results in large blocks. A catalogue that changed since the search
// cannot give its results any more: they are left out, and it is named.
void print_results(const search::SearchOutcome& outcome, const std::string& code_page, std::ostream& out,
                   std::vector<std::string>& errors) {
  search::NameDecoder decoder(code_page);
  std::vector<std::unique_ptr<search::Catalogue::Hold>> holds;
  for (const auto& catalogue : outcome.results.catalogues())
    holds.push_back(std::make_unique<search::Catalogue::Hold>(*catalogue));
  std::vector<std::uint64_t> left_out(outcome.results.catalogues().size(), 0);
  std::string block;
  outcome.results.for_each([&](const search::Hit& hit) {
    if (!search::append_result_line(block, outcome.results, hit, decoder)) ++left_out[hit.catalogue()];
    if (block.size() >= (1u << 16)) {
      out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  });
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  for (std::size_t c = 0; c < left_out.size(); ++c) {
    if (left_out[c] == 0) continue;
    const search::Catalogue& catalogue = *outcome.results.catalogues()[c];
    errors.push_back(catalogue.source().file_name + " changed while its results were written: " +
                     std::to_string(left_out[c]) + (left_out[c] == 1 ? " result" : " results") + " left out");
  }
}

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
  usage += search::kQueryHelp;
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
        << "case folding: " << folding.source
        << (folding.full ? " (Unicode full case folding)\n" : " (lowercase only: icu.dll was not found)\n");
    return 0;
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

  const shell::VeskoSettings settings =
      options.folders.empty() || !options.encoding ? shell::read_vesko_settings() : shell::VeskoSettings{};
  if (options.folders.empty()) {
    const auto folder = shell::vesko_catalogue_folder(settings, platform::system_file_services());
    if (!folder) {
      err << me << ": " << kNoFolderYet << "\n";
      return 2;
    }
    options.folders.push_back(*folder);
  }
  const std::string code_page = options.encoding.value_or(settings.encoding);
  {
    platform::Status status;
    if (!platform::make_code_page_decoder(code_page, status)) {
      err << me << ": " << status.message() << "\n";
      return 2;
    }
  }

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
  const search::SearchOutcome outcome = search::run_search(set.catalogues, matcher, search_options);
  for (const std::string& note : outcome.notes) err << me << ": " << note << "\n";
  errors.insert(errors.end(), outcome.errors.begin(), outcome.errors.end());

  if (options.count) {
    out << outcome.results.size() << "\n";
  } else {
    print_results(outcome, code_page, out, errors);
  }
  out.flush();
  for (const std::string& error : errors) err << me << ": " << error << "\n";
  if (!out) {
    err << me << ": cannot write the results\n";
    return 2;
  }
  if (!errors.empty()) return 2;
  return outcome.results.empty() ? 1 : 0;
}

}  // namespace korvint::app
