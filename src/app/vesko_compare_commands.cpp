#include "app/vesko_compare_commands.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <numeric>
#include <memory>
#include <optional>
#include <vector>

#include "app/vesko_catalogue_sources.h"
#include "platform/per_thread.h"
#include "search/catalogue_folder.h"
#include "search/compare.h"
#include "search/duplicate_lines.h"
#include "search/duplicates.h"
#include "search/forward_lines.h"
#include "search/hit_list.h"
#include "search/result_line.h"
#include "search/text_match.h"

namespace korvint::app {
namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = search::ascii_lower(c);
  return out;
}

// The query's words; none is a query of every file (every entry for --compare).
std::optional<search::Query> read_query(const std::string& words, std::string& error) {
  if (words.empty()) return search::Query{};
  return search::parse_query(words, error);
}

// The catalogues of `folders`, their notes written to `err`; a folder
// without any is named among the errors.
search::CatalogueSet open_catalogues(const std::vector<std::string>& folders, std::ostream& err, const std::string& me) {
  search::CatalogueSet set = search::open_catalogue_folders(folders);
  for (const std::string& note : set.notes) err << me << ": " << note << "\n";
  if (set.catalogues.empty() && set.errors.empty())
    for (const std::string& folder : folders) set.errors.push_back("no catalogues in \"" + folder + "\"");
  return set;
}

void append_number(std::string& out, std::uint64_t value) {
  char digits[24];
  out.append(digits, std::to_chars(std::begin(digits), std::end(digits), value).ptr);
}

// Writes `block` once it is large, or always with `flush`.
void write(std::ostream& out, std::string& block, bool flush = false) {
  if (block.empty() || (!flush && block.size() < kBlockBytes)) return;
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  block.clear();
}

// Ends a command: its errors on `err`; 2 after an error, else `status`.
int finish(std::ostream& out, std::ostream& err, const std::string& me, const std::vector<std::string>& errors,
           int status) {
  out.flush();
  for (const std::string& error : errors) err << me << ": " << error << "\n";
  if (!out) {
    err << me << ": cannot write the results\n";
    return 2;
  }
  return errors.empty() ? status : 2;
}

int run_duplicates(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me) {
  std::string error;
  const auto keys = search::parse_duplicate_keys(options.by.value_or("name,size"), error);
  auto query = keys ? read_query(options.query, error) : std::nullopt;
  if (!query) {
    err << me << ": " << error << "\n";
    return 2;
  }
  const auto sources = catalogue_sources(options, err, me);
  if (!sources) return 2;
  search::CatalogueSet set = open_catalogues(sources->folders, err, me);
  std::vector<std::string> errors = std::move(set.errors);
  search::SearchOptions search_options;
  search_options.code_page = sources->code_page;
  search::DuplicateFiles found = search::find_duplicate_files(set.catalogues, std::move(*query), *keys, search_options);
  for (const std::string& note : found.outcome.notes) err << me << ": " << note << "\n";
  errors.insert(errors.end(), found.outcome.errors.begin(), found.outcome.errors.end());

  // The lines are made a batch at a time, each batch from its catalogues read
  // forward once. A batch holds what the hits and keys held beyond the
  // result's files and starts (at least 32 MiB): the writing takes no more
  // memory than the grouping did.
  const bool found_any = !found.starts.empty();
  const std::uint64_t unreadable = search::write_duplicate_lines(
      found.catalogues, found.files, found.starts, sources->code_page, search::threads_or_cores(search_options.threads),
      std::max(std::size_t{32} << 20, found.spare_bytes), [&](std::string_view text) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return static_cast<bool>(out);
      });
  if (unreadable > 0)
    errors.push_back(std::to_string(unreadable) + " files left out: their catalogues changed while they were written");
  return finish(out, err, me, errors, found_any ? 0 : 1);  // grep's: 0 when found
}

// Opens the catalogue `argument` names: from the catalogue folders of
// `sources` (opened on first need into `set`) or from its own path; nullptr
// with the reason among `errors` when there is none.
std::shared_ptr<search::Catalogue> open_named(const CatalogueArgument& argument, const CatalogueSources& sources,
                                              std::optional<search::CatalogueSet>& set, std::ostream& err,
                                              const std::string& me, std::vector<std::string>& errors) {
  if (argument.is_path) {
    search::CatalogueSource source;
    source.path = argument.catalogue;
    const std::size_t slash = source.path.find_last_of("/\\");
    source.file_name = slash == std::string::npos ? source.path : source.path.substr(slash + 1);
    source.name = source.file_name;
    if (lower(source.name).ends_with(".lst")) source.name.resize(source.name.size() - 4);
    search::OpenProblem problem = search::OpenProblem::None;
    std::string message;
    auto catalogue = search::Catalogue::open(source, problem, message);
    if (!catalogue) {
      errors.push_back(problem == search::OpenProblem::NotAFile        ? argument.catalogue + " is not a file"
                       : problem == search::OpenProblem::NotACatalogue ? argument.catalogue + " is not a catalogue"
                                                                       : message);
    }
    return catalogue;
  }
  if (sources.folders.empty()) {
    errors.push_back("no catalogue folder to find \"" + argument.catalogue +
                     "\" in: name one with --catalogues DIR, or give the path of its .lst file");
    return nullptr;
  }
  if (!set) {
    set = open_catalogues(sources.folders, err, me);
    errors.insert(errors.end(), set->errors.begin(), set->errors.end());
  }
  std::shared_ptr<search::Catalogue> caseless;
  int caseless_count = 0;
  for (const auto& catalogue : set->catalogues) {
    if (catalogue->name() == argument.catalogue) return catalogue;
    if (lower(catalogue->name()) == lower(argument.catalogue)) {
      caseless = catalogue;
      ++caseless_count;
    }
  }
  if (caseless_count == 1) return caseless;
  std::string folders;
  for (const std::string& folder : sources.folders) folders += (folders.empty() ? " in \"" : ", \"") + folder + "\"";
  errors.push_back("no catalogue named \"" + argument.catalogue + "\"" + folders);
  return nullptr;
}

// "-<TAB>PATH<TAB>SIZE<TAB>DATE", "+..." or "~<TAB>PATH<TAB>SIZE A<TAB>DATE A<TAB>SIZE B<TAB>DATE B".
bool append_difference(std::string& out, const search::Comparison& comparison, const search::Difference& difference,
                       search::NameDecoder& decoder) {
  thread_local platform::PerThread<std::string> path_slot;
  std::string& path = path_slot.get();
  if (!comparison.relative_path(difference.entry, difference.kind == search::DifferenceKind::OnlyInB, decoder, path))
    return false;
  out += static_cast<char>(difference.kind);
  out += '\t';
  out += path;
  out += '\t';
  append_number(out, difference.bytes);
  out += '\t';
  catalogue::append_time_text(out, difference.entry.time());
  if (difference.kind == search::DifferenceKind::Changed) {
    out += '\t';
    append_number(out, difference.other.size);
    out += '\t';
    catalogue::append_time_text(out, difference.other.time());
  }
  out += '\n';
  return true;
}

int run_compare(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me) {
  std::string error;
  auto query = read_query(options.query, error);
  if (!query) {
    err << me << ": " << error << "\n";
    return 2;
  }
  // The code page comes from --encoding or Vesko.ini; a catalogue folder is
  // needed only for a catalogue named without its path.
  const auto sources = catalogue_sources(options, err, me, false);
  if (!sources) return 2;
  const std::string& code_page = sources->code_page;
  std::vector<std::string> errors;
  std::optional<search::CatalogueSet> set;
  search::CompareSide sides[2];
  for (int s = 0; s < 2; ++s) {
    const CatalogueArgument argument = read_catalogue_argument(options.compare[static_cast<std::size_t>(s)]);
    sides[s].catalogue = open_named(argument, *sources, set, err, me, errors);
    sides[s].folder = argument.folder;
  }
  if (!errors.empty()) return finish(out, err, me, errors, 2);

  search::CompareOptions compare_options;
  compare_options.all = options.all;
  compare_options.ignore_date = options.ignore_date;
  compare_options.search.code_page = code_page;
  const search::Comparison comparison =
      search::compare_catalogues(sides[0], sides[1], std::move(*query), compare_options);
  for (const std::string& note : comparison.notes) err << me << ": " << note << "\n";
  errors.insert(errors.end(), comparison.errors.begin(), comparison.errors.end());
  search::NameDecoder decoder(code_page);
  std::string block;
  std::uint64_t unreadable = 0;
  for (const search::Difference& difference : comparison.differences) {
    if (!out) break;
    if (!append_difference(block, comparison, difference, decoder)) ++unreadable;
    write(out, block);
  }
  write(out, block, true);
  if (unreadable > 0)
    errors.push_back(std::to_string(unreadable) + " differences left out: a catalogue changed while they were written");
  if (errors.empty()) err << search::comparison_summary(comparison) << "\n";
  return finish(out, err, me, errors, comparison.differences.empty() ? 0 : 1);  // diff's: 1 when they differ
}

}  // namespace

CatalogueArgument read_catalogue_argument(const std::string& argument) {
  const std::string folded = lower(argument);
  if (const std::size_t lst = folded.find(".lst:"); lst != std::string::npos)
    return CatalogueArgument{argument.substr(0, lst + 4), argument.substr(lst + 5), true};
  if (folded.ends_with(".lst")) return CatalogueArgument{argument, {}, true};
  const std::size_t colon = argument.find(':');
  const std::size_t separator = argument.find_first_of("/\\");
  if (colon != std::string::npos && colon < separator)
    return CatalogueArgument{argument.substr(0, colon), argument.substr(colon + 1), false};
  return CatalogueArgument{argument, {}, separator != std::string::npos};
}

int run_vesko_compare_commands(const VeskoArguments& options, std::ostream& out, std::ostream& err,
                               const std::string& me) {
  if (options.limit || options.count || options.check) {
    err << me << ": --limit, --count and --check go with a search, not with "
        << (options.duplicates ? "--duplicates" : "--compare") << "\n";
    return 2;
  }
  return options.duplicates ? run_duplicates(options, out, err, me) : run_compare(options, out, err, me);
}

}  // namespace korvint::app
