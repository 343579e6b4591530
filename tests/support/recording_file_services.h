#pragma once
// File services that pass to the system's but log each operation and fail on
// demand, for tests of the output file and its backup.

#include <functional>
#include <string>
#include <vector>

#include "platform/file_services.h"

namespace korvint::test {

class RecordingFileServices final : public platform::FileServices {
 public:
  bool is_normal_file(std::string_view path) override { return real().is_normal_file(path); }
  bool exists(std::string_view path) override { return real().exists(path); }
  std::optional<platform::FileIdentity> identity_of(std::string_view path) override {
    return real().identity_of(path);
  }
  platform::Status remove_file(std::string_view path) override;
  platform::Status check_removable(std::string_view path) override { return real().check_removable(path); }
  platform::Status rename_file(std::string_view from, std::string_view to) override;
  std::unique_ptr<platform::OutputFile> create_output(std::string_view path,
                                                      platform::Status& error) override;
  platform::LockAttempt lock_file(std::string_view path) override;
  std::optional<std::string> read_first_line(std::string_view path) override {
    return real().read_first_line(path);
  }

  /// Every operation in order: "lock P", "note WORD" (written into the lock
  /// file), "remove P", "rename A -> B", "create P", "write", "sync", "close",
  /// "unlock P" (the lock given up).
  std::vector<std::string> log;

  /// Runs before each operation, given its log text: a test's way to act at a
  /// known moment, such as planting a file or starting another scan.
  std::function<void(const std::string& operation)> before;

  bool fail_create = false;      ///< create_output fails ("Read-only file system")
  bool fail_sync = false;        ///< the output's sync fails ("Input/output error")
  long fail_write_after = -1;    ///< writes fail once this many bytes went through ("No space left")
  bool fail_remove_backup = false;  ///< removing a path that ends in ".old" fails ("Permission denied")

  /// Runs `before`, then logs `operation`.
  void record(std::string operation);

 private:
  static platform::FileServices& real() { return platform::system_file_services(); }
};

}  // namespace korvint::test
