#pragma once
// Outcome of an operating-system call: success, or a message for the user
// that names the path and the reason.

#include <string>
#include <utility>

namespace korvint::platform {

class Status {
 public:
  /// A success.
  Status() = default;

  /// A failure carrying its user-facing message.
  static Status failure(std::string message) { return Status(std::move(message), true); }

  /// True when nothing failed.
  [[nodiscard]] bool ok() const { return !failed_; }

  /// The failure message; empty on success.
  [[nodiscard]] const std::string& message() const { return message_; }

 private:
  Status(std::string message, bool failed) : message_(std::move(message)), failed_(failed) {}

  std::string message_;
  bool failed_ = false;
};

}  // namespace korvint::platform
