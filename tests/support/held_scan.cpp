#include "support/held_scan.h"

#include <thread>

namespace korvint::test {

using Clock = std::chrono::steady_clock;

void Gate::pass() {
  std::unique_lock lock(mutex_);
  ++held_;
  changed_.notify_all();
  if (!changed_.wait_for(lock, kHoldCeiling, [this] { return open_; })) ceiling_reached_ = true;
  --held_;
  changed_.notify_all();
}

void Gate::open() {
  std::lock_guard lock(mutex_);
  open_ = true;
  changed_.notify_all();
}

bool Gate::holding() const {
  std::lock_guard lock(mutex_);
  return held_ > 0;
}

bool Gate::wait_until_holding() {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, kHoldCeiling, [this] { return held_ > 0; });
}

bool Gate::ceiling_reached() const {
  std::lock_guard lock(mutex_);
  return ceiling_reached_;
}

class TrickleSource final : public platform::FolderSource {
 public:
  explicit TrickleSource(TrickleFolder& folder) : folder_(folder) {}

  std::unique_ptr<platform::OpenFolder> open_root(std::string_view root, platform::Status&) override {
    {
      std::lock_guard lock(folder_.mutex_);
      folder_.root_ = std::string(root);
    }
    return std::make_unique<Root>(folder_);
  }

 private:
  class Root final : public platform::OpenFolder {
   public:
    explicit Root(TrickleFolder& folder) : folder_(folder) {}

    platform::Status list(platform::EntrySink& sink) override {
      const Clock::time_point ceiling = Clock::now() + kHoldCeiling;
      std::string name;
      for (long i = 0; !folder_.finished_; ++i) {
        if (Clock::now() > ceiling) {
          folder_.ceiling_reached_ = true;
          break;
        }
        name = "f" + std::to_string(i);
        platform::DirEntry entry;
        entry.name = name;
        entry.size = 1;
        ++folder_.listed_;
        if (!sink.on_entry(entry)) {
          folder_.refused_ = true;
          break;
        }
        // A trickle, not a flood: the catalogue stays small however long the test waits.
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
      return platform::Status();
    }

    std::unique_ptr<platform::OpenFolder> open_child(std::string_view name, platform::Status& error) override {
      error = platform::Status::failure("no sub-folder " + std::string(name));
      return nullptr;
    }

    std::optional<platform::FolderId> id() override { return std::nullopt; }

   private:
    TrickleFolder& folder_;
  };

  TrickleFolder& folder_;
};

std::function<std::unique_ptr<platform::FolderSource>()> TrickleFolder::source() {
  return [this] { return std::make_unique<TrickleSource>(*this); };
}

std::string TrickleFolder::root() const {
  std::lock_guard lock(mutex_);
  return root_;
}

}  // namespace korvint::test
