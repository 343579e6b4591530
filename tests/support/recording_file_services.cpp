#include "support/recording_file_services.h"

namespace korvint::test {
namespace {

class RecordingOutputFile final : public platform::OutputFile {
 public:
  RecordingOutputFile(std::unique_ptr<platform::OutputFile> real, RecordingFileServices& owner)
      : real_(std::move(real)), owner_(owner) {}

  platform::Status write(std::string_view lines) override {
    owner_.log.push_back("write");
    if (owner_.fail_write_after >= 0 &&
        written_ + static_cast<long>(lines.size()) > owner_.fail_write_after)
      return platform::Status::failure("Cannot write: No space left on device");
    written_ += static_cast<long>(lines.size());
    return real_->write(lines);
  }
  platform::Status sync() override {
    owner_.log.push_back("sync");
    if (owner_.fail_sync) return platform::Status::failure("Cannot write: Input/output error");
    return real_->sync();
  }
  platform::Status close() override {
    owner_.log.push_back("close");
    return real_->close();
  }

 private:
  std::unique_ptr<platform::OutputFile> real_;
  RecordingFileServices& owner_;
  long written_ = 0;
};

}  // namespace

platform::Status RecordingFileServices::remove_file(std::string_view path) {
  log.push_back("remove " + std::string(path));
  return real().remove_file(path);
}

platform::Status RecordingFileServices::rename_file(std::string_view from, std::string_view to) {
  log.push_back("rename " + std::string(from) + " -> " + std::string(to));
  return real().rename_file(from, to);
}

std::unique_ptr<platform::OutputFile> RecordingFileServices::create_output(std::string_view path,
                                                                           platform::Status& error) {
  log.push_back("create " + std::string(path));
  if (fail_create) {
    error = platform::Status::failure("Cannot create \"" + std::string(path) + "\": Read-only file system");
    return nullptr;
  }
  auto file = real().create_output(path, error);
  if (!file) return nullptr;
  return std::make_unique<RecordingOutputFile>(std::move(file), *this);
}

}  // namespace korvint::test
