#include "fake_folder_source.h"

#include <chrono>
#include <functional>
#include <thread>

namespace korvint::test {
namespace {

class FakeOpenFolder final : public platform::OpenFolder {
 public:
  // The index is built here, not on first use: helper threads may open several
  // children of one folder at once.
  FakeOpenFolder(FakeFolderSource& source, const FakeNode& node) : source_(source), node_(node) {
    for (const FakeNode& child : node_.children) index_.emplace(child.name, &child);
  }

  platform::Status list(platform::EntrySink& sink) override {
    ++source_.listings_started;
    if (node_.list_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(node_.list_delay_ms));
    if (source_.list_latency_us > 0) {
      const int at_once = ++source_.listings_now;
      int most = source_.most_listings_at_once;
      while (at_once > most && !source_.most_listings_at_once.compare_exchange_weak(most, at_once)) {
      }
      const double latency = source_.list_latency_us * (1 + source_.latency_growth * (at_once - 1));
      std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(latency)));
      --source_.listings_now;
    }
    for (const FakeNode& child : node_.children) {
      if (node_.entry_delay_ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(node_.entry_delay_ms));
      platform::DirEntry entry;
      entry.name = child.name;
      entry.is_folder = child.is_folder;
      entry.is_link = child.is_link;
      entry.size = child.size;
      entry.creation_time = child.created;
      entry.write_time = child.written;
      if (child.is_folder && child.id_in_listing) entry.id = child.id;
      if (!sink.on_entry(entry)) break;
    }
    return platform::Status();
  }

  std::unique_ptr<platform::OpenFolder> open_child(std::string_view name,
                                                   platform::Status& error) override {
    ++source_.opens;
    const auto found = index_.find(std::string(name));
    if (found != index_.end() && found->second->is_folder) {
      const FakeNode& child = *found->second;
      if (child.unreadable) {
        error = platform::Status::failure("Cannot open \"" + child.name + "\": Permission denied");
        return nullptr;
      }
      const FakeNode* target = child.is_link ? source_.find_by_id(child.id) : &child;
      return std::make_unique<FakeOpenFolder>(source_, target ? *target : child);
    }
    error = platform::Status::failure("Cannot open \"" + std::string(name) + "\": not found");
    return nullptr;
  }

  std::optional<platform::FolderId> id() override {
    ++source_.id_queries;
    return node_.id;
  }

  bool is_pseudo_file_system() override { return node_.pseudo; }

 private:
  FakeFolderSource& source_;
  const FakeNode& node_;
  std::map<std::string, const FakeNode*> index_;
};

}  // namespace

FakeNode fake_file(std::string name, std::uint64_t size, std::int64_t written) {
  FakeNode node;
  node.name = std::move(name);
  node.size = size;
  node.written = written;
  node.created = written;
  return node;
}

FakeNode fake_folder(std::string name, std::int64_t created, std::vector<FakeNode> children) {
  static std::uint64_t next_id = 1;
  FakeNode node;
  node.name = std::move(name);
  node.is_folder = true;
  node.created = created;
  node.written = created;
  node.id = platform::FolderId{1, next_id++};
  node.children = std::move(children);
  return node;
}

std::unique_ptr<platform::OpenFolder> FakeFolderSource::open_root(std::string_view root,
                                                                  platform::Status& error) {
  opened_root = std::string(root);
  if (root_.unreadable) {
    error = platform::Status::failure("Cannot open \"" + opened_root + "\": No such file or directory");
    return nullptr;
  }
  return std::make_unique<FakeOpenFolder>(*this, root_);
}

const FakeNode* FakeFolderSource::find_by_id(const platform::FolderId& id) const {
  std::function<const FakeNode*(const FakeNode&)> search = [&](const FakeNode& node) -> const FakeNode* {
    if (node.is_folder && !node.is_link && node.id == id) return &node;
    for (const FakeNode& child : node.children) {
      if (const FakeNode* found = search(child)) return found;
    }
    return nullptr;
  };
  return search(root_);
}

}  // namespace korvint::test
