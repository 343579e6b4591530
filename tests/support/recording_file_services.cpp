#include "support/recording_file_services.h"

namespace korvint::test {
namespace {

class RecordingFileLock final : public platform::FileLock {
 public:
  RecordingFileLock(std::unique_ptr<platform::FileLock> real, RecordingFileServices& owner, std::string path)
      : real_(std::move(real)), owner_(owner), path_(std::move(path)) {}
  ~RecordingFileLock() override {
    real_.reset();
    owner_.log.push_back("unlock " + path_);
  }

  platform::Status write_note(std::string_view note) override {
    owner_.record("note " + std::string(note));
    return real_->write_note(note);
  }

 private:
  std::unique_ptr<platform::FileLock> real_;
  RecordingFileServices& owner_;
  std::string path_;
};

class RecordingOutputFile final : public platform::OutputFile {
 public:
  RecordingOutputFile(std::unique_ptr<platform::OutputFile> real, RecordingFileServices& owner)
      : real_(std::move(real)), owner_(owner) {}

  platform::Status write(std::string_view lines) override {
    owner_.record("write");
    if (owner_.fail_write_after >= 0 &&
        written_ + static_cast<long>(lines.size()) > owner_.fail_write_after)
      return platform::Status::failure("Cannot write: No space left on device");
    written_ += static_cast<long>(lines.size());
    return real_->write(lines);
  }
  platform::Status sync() override {
    owner_.record("sync");
    if (owner_.fail_sync) return platform::Status::failure("Cannot write: Input/output error");
    return real_->sync();
  }
  platform::Status close() override {
    owner_.record("close");
    return real_->close();
  }
  std::optional<platform::FileIdentity> identity() override { return real_->identity(); }

 private:
  std::unique_ptr<platform::OutputFile> real_;
  RecordingFileServices& owner_;
  long written_ = 0;
};

}  // namespace

void RecordingFileServices::record(std::string operation) {
  if (before) before(operation);
  log.push_back(std::move(operation));
}

platform::Status RecordingFileServices::remove_file(std::string_view path) {
  record("remove " + std::string(path));
  if (fail_remove_backup && path.size() > 4 && path.substr(path.size() - 4) == ".old")
    return platform::Status::failure("Cannot delete \"" + std::string(path) + "\": Permission denied");
  return real().remove_file(path);
}

platform::Status RecordingFileServices::rename_file(std::string_view from, std::string_view to) {
  record("rename " + std::string(from) + " -> " + std::string(to));
  return real().rename_file(from, to);
}

std::unique_ptr<platform::OutputFile> RecordingFileServices::create_output(std::string_view path,
                                                                           platform::Status& error) {
  record("create " + std::string(path));
  if (fail_create) {
    error = platform::Status::failure("Cannot create \"" + std::string(path) + "\": Read-only file system");
    return nullptr;
  }
  auto file = real().create_output(path, error);
  if (!file) return nullptr;
  return std::make_unique<RecordingOutputFile>(std::move(file), *this);
}

platform::LockAttempt RecordingFileServices::lock_file(std::string_view path) {
  record("lock " + std::string(path));
  platform::LockAttempt attempt = real().lock_file(path);
  if (attempt.lock)
    attempt.lock = std::make_unique<RecordingFileLock>(std::move(attempt.lock), *this, std::string(path));
  return attempt;
}

}  // namespace korvint::test
