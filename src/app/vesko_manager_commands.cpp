#include "app/vesko_manager_commands.h"

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/vesko_catalogue_sources.h"
#include "platform/cache_folder.h"
#include "platform/case_folding.h"
#include "platform/read_only_file.h"
#include "search/catalogue_folder.h"
#include "search/catalogue_overview.h"
#include "search/folder_totals.h"
#include "search/index_cache.h"
#include "search/result_line.h"
#include "search/searcher.h"

namespace korvint::app {
namespace {

// How often a catalogue that changes while it is read is read again before it is given up.
constexpr int kReadAttempts = 3;

// Lines are written a block at a time, so a large tree costs few writes.
constexpr std::size_t kBlockBytes = std::size_t{1} << 16;

// The fields joined by TABs, and a line end.
std::string tab_line(std::initializer_list<std::string_view> fields) {
  std::string line;
  for (const std::string_view field : fields) {
    if (!line.empty()) line += '\t';
    line += field;
  }
  line += '\n';
  return line;
}

// Writes what is in `block` and empties it; false once `out` failed.
bool flush(std::string& block, std::ostream& out) {
  out.write(block.data(), static_cast<std::streamsize>(block.size()));
  block.clear();
  return static_cast<bool>(out);
}

// Ends a command: its errors on `err`, and the exit status (2 for any error or an output that failed).
int report(std::ostream& out, std::ostream& err, const std::string& me, const std::vector<std::string>& errors) {
  out.flush();
  for (const std::string& error : errors) err << me << ": " << error << "\n";
  if (!out) {
    err << me << ": cannot write the results\n";
    return 2;
  }
  return errors.empty() ? 0 : 2;
}

int run_list(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me) {
  const auto sources = catalogue_sources(options, err, me);
  if (!sources) return 2;
  search::CatalogueSet set = search::open_catalogue_folders(sources->folders);
  std::vector<std::string> errors = std::move(set.errors);
  for (const std::string& note : set.notes) err << me << ": " << note << "\n";
  if (set.catalogues.empty() && errors.empty()) {
    for (const std::string& folder : sources->folders) errors.push_back("no catalogues in \"" + folder + "\"");
  }
  // One pass over every line gives the counts (on every core, a chunk at a time).
  search::SearchOptions search_options;
  search_options.code_page = sources->code_page;
  std::vector<std::string> notes;
  for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
    search::check_catalogues(set.catalogues, search_options);
    if (!search::reopen_changed(set.catalogues, "while it was read: read again", notes, errors)) break;
  }
  for (const std::string& note : notes) err << me << ": " << note << "\n";

  search::NameDecoder decoder(sources->code_page);
  const std::string cache = platform::index_cache_folder();
  std::string block;
  for (const auto& catalogue : set.catalogues) {
    const search::CatalogueOverview overview = search::catalogue_overview(*catalogue, decoder);
    if (!overview.counted) {
      errors.push_back(catalogue->source().file_name + " kept changing while it was read: left out");
      continue;
    }
    if (const std::string note = search::skipped_lines_note(*catalogue); !note.empty()) err << me << ": " << note << "\n";
    block += tab_line({overview.name, overview.root, std::to_string(overview.files), std::to_string(overview.folders),
                       std::to_string(overview.bytes),
                       overview.written ? search::local_seconds_text(*overview.written) : std::string("-"),
                       search::presence_text(overview.medium),
                       search::index::has_fresh_index(cache, *catalogue) ? "indexed" : "-"});
    if (block.size() >= kBlockBytes && !flush(block, out)) break;
  }
  flush(block, out);
  return report(out, err, me, errors);
}

bool ends_with_lst(std::string_view text) {
  if (text.size() < 4) return false;
  std::string tail(text.substr(text.size() - 4));
  for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return tail == ".lst";
}

// The catalogue in the file `path`; nullptr with the path and the reason in
// `errors` when it is none.
std::shared_ptr<search::Catalogue> open_catalogue_file(const std::string& path, std::vector<std::string>& errors) {
  search::CatalogueSource source;
  source.path = path;
  const auto slash = path.find_last_of("/\\");
  source.file_name = slash == std::string::npos ? path : path.substr(slash + 1);
  source.name = ends_with_lst(source.file_name) ? source.file_name.substr(0, source.file_name.size() - 4)
                                                : source.file_name;
  search::OpenProblem problem = search::OpenProblem::None;
  std::string message;
  auto catalogue = search::Catalogue::open(source, problem, message);
  if (catalogue) return catalogue;
  if (problem == search::OpenProblem::NotAFile)
    errors.push_back("\"" + path + "\" is not a file (a folder, a pipe or a device): no catalogue");
  else if (problem == search::OpenProblem::NotACatalogue)
    errors.push_back("\"" + path + "\" is not a catalogue (its first line names no root)");
  else
    errors.push_back(message.empty() ? "cannot read \"" + path + "\"" : message);
  return nullptr;
}

// The catalogue `wanted` names: a path to a file (it holds a separator, or
// ends in ".lst" and names a file), else a catalogue's name in the catalogue
// folders (with or without ".lst"), exactly or,
// when one only matches so, without regard to case. nullptr with the reason
// in `errors` when there is none.
std::shared_ptr<search::Catalogue> find_catalogue(const std::string& wanted, const CatalogueSources& sources,
                                                  std::ostream& err, const std::string& me,
                                                  std::vector<std::string>& errors) {
  if (wanted.empty()) {
    errors.push_back("--tree needs a catalogue: its name as results show it, or the path of its .lst file");
    return nullptr;
  }
  // "disk1.lst" is the file in the current folder when there is one, else the catalogue "disk1".
  const bool path = wanted.find_first_of("/\\") != std::string::npos ||
                    (ends_with_lst(wanted) && platform::identity_of(wanted).has_value());
  const std::string name = ends_with_lst(wanted) && !path ? wanted.substr(0, wanted.size() - 4) : wanted;
  if (path) return open_catalogue_file(wanted, errors);

  if (sources.folders.empty()) {
    errors.push_back("no catalogue folder yet to find \"" + wanted + "\" in: name one with --catalogues DIR, or give the path of its .lst file");
    return nullptr;
  }
  search::CatalogueSet set = search::open_catalogue_folders(sources.folders);
  std::vector<std::shared_ptr<search::Catalogue>> caseless;
  std::string folded_wanted;
  std::string folded_name;
  platform::fold_case(name, folded_wanted);
  for (const auto& catalogue : set.catalogues) {
    if (catalogue->name() == name) {
      // What the folder listing says of this catalogue ("being written: incomplete").
      for (const std::string& note : set.notes)
        if (note.rfind(catalogue->source().file_name, 0) == 0) err << me << ": " << note << "\n";
      return catalogue;
    }
    platform::fold_case(catalogue->name(), folded_name);
    if (folded_name == folded_wanted) caseless.push_back(catalogue);
  }
  if (caseless.size() == 1) return caseless.front();
  // A file of that name that is no catalogue (a pipe, a folder, a text): say
  // why, rather than that there is none.
  if (caseless.empty()) {
    for (const std::string& folder : sources.folders) {
      const bool ends = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
      const std::string file = folder + (ends ? "" : "/") + name + ".lst";
      if (!platform::identity_of(file)) continue;
      if (auto catalogue = open_catalogue_file(file, errors)) return catalogue;
      return nullptr;
    }
  }
  std::string folders;
  for (const std::string& folder : sources.folders) folders += (folders.empty() ? "\"" : ", \"") + folder + "\"";
  errors.push_back("no catalogue \"" + name + "\" in " + folders +
                   (caseless.size() > 1 ? " (several differ from it in case only)" : ""));
  // A catalogue that could not be opened may be the one meant.
  errors.insert(errors.end(), set.errors.begin(), set.errors.end());
  return nullptr;
}

int run_tree(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me) {
  std::vector<std::string> errors;
  if (options.words.size() > 1) {
    errors.push_back("--tree takes a catalogue and at most one folder, not " + std::to_string(options.words.size()) +
                     " words (put a folder with spaces in quotes)");
    return report(out, err, me, errors);
  }
  // A path needs no catalogue folder; a name does (find_catalogue() says so).
  const auto sources = catalogue_sources(options, err, me, false);
  if (!sources) return 2;
  auto catalogue = find_catalogue(*options.tree, *sources, err, me, errors);
  if (!catalogue) return report(out, err, me, errors);

  std::optional<search::FolderTree> tree;
  for (int attempt = 0; attempt < kReadAttempts && !tree; ++attempt) {
    std::string error;
    tree = search::FolderTree::build(catalogue, error);
    if (tree) break;
    search::OpenProblem problem = search::OpenProblem::None;
    std::string message;
    auto fresh = attempt + 1 < kReadAttempts ? catalogue->reopen(problem, message) : nullptr;
    if (!fresh) {
      errors.push_back(attempt + 1 < kReadAttempts && !message.empty() ? message : error);
      return report(out, err, me, errors);
    }
    err << me << ": " << error << ": read again\n";
    catalogue = std::move(fresh);
  }

  search::NameDecoder decoder(sources->code_page);
  const std::string folder_text = options.words.empty() ? std::string() : options.words.front();
  const search::FolderTree::Index start = tree->find(folder_text, decoder);
  if (start == search::FolderTree::kNone) {
    std::string root;
    decoder.decode(catalogue->encoding(), catalogue->root(), root);
    errors.push_back("no folder \"" + folder_text + "\" in catalogue \"" + catalogue->name() + "\" (root " + root + ")");
    return report(out, err, me, errors);
  }
  if (tree->skipped() > 0)
    err << me << ": " << catalogue->name() << ": " << tree->skipped() << " lines skipped (not in the catalogue format)\n";

  // Depth first in catalogue order: a folder, then each of its sub-folders with theirs.
  const std::uint32_t most = options.depth.value_or(1);
  std::vector<std::pair<search::FolderTree::Index, std::uint32_t>> pending{{start, 0}};
  std::string block;
  while (!pending.empty()) {
    const auto [folder, level] = pending.back();
    pending.pop_back();
    const auto path = tree->path(folder, decoder);
    if (!path) {
      errors.push_back(catalogue->source().file_name + " changed while its folders were printed");
      break;
    }
    const search::FolderTotals& totals = tree->totals(folder);
    block += tab_line({std::to_string(totals.bytes), std::to_string(totals.files), std::to_string(totals.folders), *path});
    if (block.size() >= kBlockBytes && !flush(block, out)) break;
    if (level == most) continue;
    const auto children = tree->children(folder);
    for (auto child = children.rbegin(); child != children.rend(); ++child) pending.emplace_back(*child, level + 1);
  }
  flush(block, out);
  return report(out, err, me, errors);
}

}  // namespace

int run_manager_command(const VeskoArguments& options, std::ostream& out, std::ostream& err,
                        const std::string& program) {
  const std::string& me = program;
  auto usage_error = [&](const std::string& text) {
    err << me << ": " << text << " (try " << me << " --help)\n";
    return 2;
  };
  if (options.depth && !options.tree) return usage_error("--depth goes with --tree");
  if (options.list && !options.words.empty()) return usage_error("--list takes no query");
  if (options.count || options.limit || options.check)
    return usage_error(std::string(options.count ? "--count" : options.limit ? "--limit" : "--check") + " goes with a query, not with " +
                       (options.list ? "--list" : "--tree"));
  return options.list ? run_list(options, out, err, me) : run_tree(options, out, err, me);
}

}  // namespace korvint::app
