#include "platform/read_only_file.h"

namespace korvint::platform {

std::optional<std::string> read_whole_file(std::string_view path) {
  OpenFailure failure = OpenFailure::None;
  Status error;
  const ReadOnlyFile file = ReadOnlyFile::open(path, failure, error);
  const auto identity = file.identity();
  if (!identity) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(identity->size), '\0');
  const auto got = file.read_at(0, bytes.size(), bytes.data());
  if (!got) return std::nullopt;
  bytes.resize(*got);
  return bytes;
}

}  // namespace korvint::platform
