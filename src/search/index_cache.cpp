#include "search/index_cache.h"

#include <algorithm>
#include <mutex>

#include "platform/absolute_path.h"
#include "platform/cache_folder.h"
#include "platform/file_services.h"
#include "platform/program_folder.h"
#include "platform/settings_file.h"
#include "search/index_builder.h"
#include "search/index_format.h"
#include "search/index_pool.h"
#include "search/index_reader.h"
#include "search/parallel_tasks.h"

namespace korvint::search::index {

bool has_fresh_index(std::string_view cache_folder, const Catalogue& catalogue, IndexPool* pool) {
  return fresh_index(pool, index_path(cache_folder, catalogue), catalogue) != nullptr;
}

void take_counts_from_indexes(std::string_view cache_folder, const std::vector<std::shared_ptr<Catalogue>>& catalogues,
                              IndexPool* pool) {
  if (cache_folder.empty()) return;
  for (const auto& catalogue : catalogues) {
    const auto index = fresh_index(pool, index_path(cache_folder, *catalogue), *catalogue);
    if (index && !catalogue->counts()) catalogue->set_counts(index->counts());
  }
}

RefreshOutcome refresh_indexes(std::string_view cache_folder, const std::vector<std::shared_ptr<Catalogue>>& catalogues,
                               unsigned threads, const std::function<void(std::size_t, std::size_t)>& progress,
                               const std::atomic<bool>* cancel) {
  RefreshOutcome outcome;
  std::vector<std::shared_ptr<Catalogue>> stale;
  for (const auto& catalogue : catalogues) {
    if (catalogue->source().growing) continue;
    if (has_fresh_index(cache_folder, *catalogue)) ++outcome.fresh;
    else stale.push_back(catalogue);
  }
  std::stable_sort(stale.begin(), stale.end(), [](const auto& a, const auto& b) {
    return a->identity().write_time > b->identity().write_time;
  });
  std::mutex mutex;
  std::size_t started = 0;
  run_tasks(stale.size(), threads_or_cores(threads), [] { return 0; }, [&](std::size_t i, int) {
    if (cancel != nullptr && cancel->load()) return;
    {
      const std::lock_guard lock(mutex);
      if (progress) progress(started, stale.size());
      ++started;
    }
    const platform::Status written = write_index(cache_folder, *stale[i], cancel);
    const std::lock_guard lock(mutex);
    if (written.ok()) ++outcome.built;
    else if (cancel == nullptr || !cancel->load()) outcome.errors.push_back(written.message());
  });
  if (progress && !stale.empty()) progress(stale.size(), stale.size());
  return outcome;
}

std::size_t remove_vanished_indexes(std::string_view cache_folder, std::string_view folder) {
  if (cache_folder.empty()) return 0;
  const std::string prefix = folder_prefix(platform::absolute_path(folder));
  const std::string cache = platform::with_trailing_separator(std::string(cache_folder));
  std::size_t removed = 0;
  for (const std::string& name : platform::file_names_in(cache_folder)) {
    if (name.rfind(prefix, 0) != 0 || name.size() < 4 || name.compare(name.size() - 4, 4, ".kvx") != 0) continue;
    const std::string path = cache + name;
    // Garbage (damaged, another version) goes as well: it would only be rebuilt.
    // The index is closed before the delete: on Windows its name would stay until then.
    const bool keep = [&] {
      const auto index = IndexFile::open_file(path);
      return index && platform::system_file_services().exists(index->header().path);
    }();
    if (keep) continue;
    if (platform::system_file_services().remove_file(path).ok()) ++removed;
  }
  return removed;
}

std::size_t remove_dead_builds(std::string_view cache_folder) {
  if (cache_folder.empty()) return 0;
  const std::string cache = platform::with_trailing_separator(std::string(cache_folder));
  std::size_t removed = 0;
  for (const std::string& name : platform::file_names_in(cache_folder)) {
    const auto writer = platform::temporary_file_writer(name);
    if (!writer || name.find(".kvx.tmp") == std::string::npos || !platform::process_has_ended(*writer)) continue;
    if (platform::system_file_services().remove_file(cache + name).ok()) ++removed;
  }
  return removed;
}

}  // namespace korvint::search::index
