#include "app/vesko_index_commands.h"

#include <chrono>
#include <cstdio>

#include "app/vesko_catalogue_sources.h"
#include "platform/cache_folder.h"
#include "platform/terminal.h"
#include "search/catalogue_folder.h"
#include "search/index_cache.h"

namespace korvint::app {

std::string search_index_folder(const VeskoArguments& options) {
  return options.no_index ? std::string() : platform::index_cache_folder();
}

int run_index_command(const VeskoArguments& options, std::ostream& out, std::ostream& err, const std::string& me) {
  const auto sources = catalogue_sources(options, err, me);
  if (!sources) return 2;
  const std::string cache = platform::index_cache_folder();
  if (cache.empty()) {
    err << me << ": no cache folder for the indexes (neither XDG_CACHE_HOME nor HOME is set)\n";
    return 2;
  }
  search::CatalogueSet set = search::open_catalogue_folders(sources->folders);
  std::vector<std::string> errors = std::move(set.errors);
  for (const std::string& note : set.notes) err << me << ": " << note << "\n";
  std::size_t removed = 0;
  for (const std::string& folder : sources->folders)
    if (std::find(set.missing_folders.begin(), set.missing_folders.end(), folder) == set.missing_folders.end())
      removed += search::index::remove_vanished_indexes(cache, folder);
  const std::size_t leftovers = search::index::remove_dead_builds(cache);

  const bool terminal = platform::error_output_is_terminal();
  const auto started = std::chrono::steady_clock::now();
  const search::index::RefreshOutcome outcome = search::index::refresh_indexes(
      cache, set.catalogues, 0, [&](std::size_t done, std::size_t total) {
        if (!terminal) return;
        if (done < total) err << "\r" << me << ": indexing " << (done + 1) << " of " << total << "..." << std::flush;
        else err << "\r\033[K" << std::flush;
      });
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  errors.insert(errors.end(), outcome.errors.begin(), outcome.errors.end());
  char took[32];
  std::snprintf(took, sizeof took, "%.1f", seconds);
  out << set.catalogues.size() << (set.catalogues.size() == 1 ? " catalogue: " : " catalogues: ") << outcome.built << " indexed in " << took << " s, " << outcome.fresh
      << " fresh already";
  // Damaged indexes and those of another format go too: their catalogue cannot be told.
  if (removed != 0) out << ", " << removed << (removed == 1 ? " index" : " indexes") << " deleted (catalogue gone, or index unreadable)";
  if (leftovers != 0) out << ", " << leftovers << " files of builds that were killed deleted";
  out << "\n";
  out.flush();
  for (const std::string& error : errors) err << me << ": " << error << "\n";
  return errors.empty() ? 0 : 2;
}

}  // namespace korvint::app
