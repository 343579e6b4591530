#pragma once
// Which file or folder a name stands for: equal identities are the same file,
// however it was reached (a link, another name, a bind mount).

#include <cstddef>
#include <cstdint>
#include <functional>

namespace korvint::platform {

/// POSIX: the device and the inode. Windows: the volume serial and the file index.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

/// For sets of identities.
struct FileIdentityHash {
  std::size_t operator()(const FileIdentity& id) const noexcept {
    return std::hash<std::uint64_t>()(id.index * 0x9e3779b97f4a7c15ULL ^ id.volume);
  }
};

}  // namespace korvint::platform
