#include "jobs/scan_request.h"

#include <utility>

#include "jobs/text_util.h"
#include "platform/absolute_path.h"
#include "platform/program_folder.h"

namespace korvint::jobs {

ScanRequest completed(ScanRequest request) {
  request.root = trim_spaces(request.root);
  request.name = trim_spaces(request.name);
  // An empty box names nothing, and the scan refuses it as it is.
  if (request.root.empty() || request.name.empty()) return request;
  // The header names the root for good: a relative one is made absolute ("c:"
  // becomes the drive's root first, as it always has).
  request.root = platform::absolute_path(platform::with_trailing_separator(std::move(request.root)));
  constexpr std::string_view kExtension = ".lst";
  if (request.name.size() < kExtension.size() ||
      request.name.compare(request.name.size() - kExtension.size(), kExtension.size(), kExtension) != 0) {
    request.name += kExtension;
  }
  return request;
}

}  // namespace korvint::jobs
