#pragma once
// A folder source whose first root is a folder opened beforehand. The scan job
// opens its root before it touches the output, so that a root that cannot be
// opened fails the scan with nothing changed; the walk then lists that same
// open folder instead of opening the root a second time.

#include <cstddef>
#include <memory>
#include <string_view>

#include "platform/folder_source.h"

namespace korvint::engine {

class OpenedRootSource final : public platform::FolderSource {
 public:
  /// `inner` must outlive this source; `root` is handed out by the first open_root.
  OpenedRootSource(platform::FolderSource& inner, std::unique_ptr<platform::OpenFolder> root);

  /// The root opened beforehand on the first call, whatever `root` says (the
  /// walk is given the same text); later calls open through the inner source.
  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root, platform::Status& error) override;

  /// The inner source's: the read-ahead sizes its budgets by it.
  [[nodiscard]] std::size_t folders_open_at_once() const override { return inner_.folders_open_at_once(); }

 private:
  platform::FolderSource& inner_;
  std::unique_ptr<platform::OpenFolder> root_;
};

}  // namespace korvint::engine
