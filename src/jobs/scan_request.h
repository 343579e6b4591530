#pragma once
// What one scan is asked to do, as a value: the window's boxes, a batch
// command line and each entry of "Scan all" all become one.

#include <string>

namespace korvint::jobs {

/// The pattern that lists every file, with or without a dot in its name.
inline constexpr const char* kEveryName = "*.*";

struct ScanRequest {
  std::string root;           ///< the folder to catalogue, as given
  std::string output_folder;  ///< joined directly to the name, nothing between
  std::string name;           ///< the catalogue's file name
  std::string pattern = kEveryName;  ///< the names of the files listed; every folder is
};

/// The request as a scan runs it: the root and the name without leading and
/// trailing spaces; then, when neither is empty, the root ending in the
/// separator and made absolute, and the name ending in ".lst" (compared with
/// case). The output folder and the pattern are used as they stand.
ScanRequest completed(ScanRequest request);

}  // namespace korvint::jobs
