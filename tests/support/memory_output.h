#pragma once
// An output file in memory that can be told to fail, for writer and walker tests.

#include <cstddef>
#include <limits>
#include <string>

#include "platform/file_services.h"

namespace korvint::test {

class MemoryOutputFile final : public platform::OutputFile {
 public:
  /// Writes fail once more than `capacity` bytes would be held ("disk full").
  explicit MemoryOutputFile(std::size_t capacity = std::numeric_limits<std::size_t>::max())
      : capacity_(capacity) {}

  platform::Status write(std::string_view lines) override {
    ++writes;
    if (content.size() + lines.size() > capacity_)
      return platform::Status::failure("Cannot write \"memory\": No space left on device");
    content.append(lines);
    return platform::Status();
  }
  platform::Status sync() override {
    ++syncs;
    return platform::Status();
  }
  platform::Status close() override {
    closed = true;
    return platform::Status();
  }

  std::string content;
  int writes = 0;
  int syncs = 0;
  bool closed = false;

 private:
  std::size_t capacity_;
};

}  // namespace korvint::test
