#include "engine/opened_root_source.h"

#include <utility>

namespace korvint::engine {

OpenedRootSource::OpenedRootSource(platform::FolderSource& inner, std::unique_ptr<platform::OpenFolder> root)
    : inner_(inner), root_(std::move(root)) {}

std::unique_ptr<platform::OpenFolder> OpenedRootSource::open_root(std::string_view root, platform::Status& error) {
  if (root_) return std::move(root_);
  return inner_.open_root(root, error);
}

}  // namespace korvint::engine
