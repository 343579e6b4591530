#include "jobs/scan_run.h"

#include <memory>
#include <new>
#include <string>
#include <utility>

#include "engine/catalogue_output.h"
#include "engine/catalogue_writer.h"
#include "engine/folder_prefetch.h"
#include "engine/opened_root_source.h"
#include "engine/turn_pacer.h"
#include "engine/walker.h"
#include "jobs/catalogue_ending.h"

namespace korvint::jobs {
namespace {

// The walk's host over the scan's: keeps the count the label shows, in steps
// of 500, and passes the turns and the stop on.
class WalkThroughHost final : public engine::WalkHost {
 public:
  explicit WalkThroughHost(ScanHost& host) : host_(host) {}

  [[nodiscard]] bool StopFlag() const override { return host_.stop_asked(); }

  void progress_step() override {
    count_ += 500;
    host_.progress(count_);
    host_.turn();
  }

  void idle_turn() override { host_.turn(); }

  [[nodiscard]] std::int64_t count() const { return count_; }

 private:
  ScanHost& host_;
  std::int64_t count_ = 0;
};

// The host is busy from here to the end of the scope, however it ends.
class BusyScope {
 public:
  explicit BusyScope(ScanHost& host) : host_(host) { host_.busy(true); }
  ~BusyScope() { host_.busy(false); }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  ScanHost& host_;
};

// `path` with each NUL shown as "<NUL>", so a message can name it.
std::string with_nul_shown(const std::string& path) {
  std::string shown;
  for (const char c : path) {
    if (c == '\0') {
      shown += "<NUL>";
    } else {
      shown += c;
    }
  }
  return shown;
}

// A NUL ends a path where the system reads it, so a root or output path that
// holds one would name another folder or file (a settings file read as text
// can put one into the folder box). Such a path is refused before anything is
// touched; the message, or "" when both paths are usable.
std::string nul_problem(const std::string& root, const std::string& output) {
  constexpr const char* kReason = "\": the path holds a NUL character, which no file name may hold";
  if (root.find('\0') != std::string::npos) return "Cannot scan \"" + with_nul_shown(root) + kReason;
  if (output.find('\0') != std::string::npos) return "Cannot create \"" + with_nul_shown(output) + kReason;
  return std::string();
}

ScanOutcome failure(std::string reason) {
  ScanOutcome outcome;
  outcome.end = ScanEnd::failed;
  outcome.reason = std::move(reason);
  return outcome;
}

ScanOutcome scan(const ScanRequest& asked, ScanHost& host) {
  const ui::FormServices& services = host.services();
  const std::int64_t utc_offset = services.utc_offset_seconds();
  auto local_now = [&] { return services.now_utc_seconds() + utc_offset; };
  const std::int64_t started = local_now();
  host.started(started);
  const ScanRequest request = completed(asked);
  host.paths_fixed(request);
  // An empty box names nothing: completed as a path it would be the whole
  // drive (or file system) scanned into ".lst" in the current folder.
  if (request.root.empty()) return failure(kNoRoot);
  if (request.name.empty()) return failure(kNoName);
  // The paths are fixed now: what the boxes show later changes nothing.
  engine::CatalogueOutput output(services.files, engine::make_output_paths(request.output_folder, request.name));
  if (std::string refused = nul_problem(request.root, output.paths().output); !refused.empty()) {
    return failure(std::move(refused));
  }

  const BusyScope busy(host);
  // A root that cannot be opened (missing, a medium not mounted, not a folder,
  // no permission) fails the scan before the output is touched: a header-only
  // catalogue must never replace the good one of a disk that is not there.
  std::unique_ptr<platform::FolderSource> system_folders = services.folders();
  platform::Status root_error;
  std::unique_ptr<platform::OpenFolder> opened_root = system_folders->open_root(request.root, root_error);
  if (!opened_root) return failure(root_error.message());
  engine::OpenedRootSource folders(*system_folders, std::move(opened_root));
  const platform::Status opened = output.FileWrite();
  if (!opened.ok()) return failure(opened.message());
  engine::CatalogueWriter writer(output.file());
  writer.header(request.root);
  host.walk_started();

  // One pacer gives the host its turns through the walk and the ending alike.
  WalkThroughHost walk_host(host);
  engine::TurnPacer pacer(walk_host);
  engine::Walker walker(folders, writer, pacer, utc_offset,
                        services.listing_threads.value_or(engine::default_listing_threads()));
  std::int32_t FileCount = 0;
  std::int32_t DirCount = 0;
  std::string path = request.root;
  const engine::WalkResult walked = walker.FindFilesAPI(path, request.pattern, FileCount, DirCount);
  const CatalogueEnd ended = end_catalogue(output, writer, pacer);

  ScanOutcome outcome;
  outcome.end = ended.end;
  outcome.reason = ended.reason;
  outcome.note = ended.note;
  outcome.seconds = local_now() - started;
  outcome.files_counted = walk_host.count();
  outcome.files_listed = walked.files;
  outcome.folders_listed = walked.folders;
  outcome.unreadable_folders = walked.unreadable_folders;
  outcome.first_unreadable = walked.first_unreadable;
  return outcome;
}

}  // namespace

ScanOutcome run_scan(const ScanRequest& request, ScanHost& host) {
  try {
    return scan(request, host);
  } catch (const std::bad_alloc&) {
    // Anywhere in the scan, on the walk's thread or a helper's: the output was
    // abandoned as the scan unwound, so the earlier catalogue is back.
    return failure(kOutOfMemory);
  }
}

}  // namespace korvint::jobs
