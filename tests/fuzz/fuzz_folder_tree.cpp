// The folder tree on any bytes: never a crash or a hang, the same tree
// whatever the chunks it is counted in, totals that add up (a folder holds
// its sub-folders' totals, the root every file the count sees), each folder
// found again by its path, each file's line inside its folder.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "search/folder_totals.h"
#include "search/searcher.h"

namespace {

using namespace korvint::search;

bool within(const FolderTotals& a, const FolderTotals& b) {
  return a.bytes <= b.bytes && a.files <= b.files && a.folders <= b.folders;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  OpenProblem problem = OpenProblem::None;
  std::shared_ptr<Catalogue> catalogue = Catalogue::from_bytes(bytes, "fuzz", problem);
  if (!catalogue) return 0;
  std::string error;
  const auto whole = FolderTree::build(catalogue, error, nullptr, 1);
  const auto cut = FolderTree::build(catalogue, error, nullptr, 2, 7);
  if (!whole || !cut || whole->size() != cut->size() || whole->skipped() != cut->skipped()) std::abort();
  SearchOptions options;
  options.threads = 1;
  check_catalogues({catalogue}, options);
  const LineCounts& counts = *catalogue->counts();
  const FolderTotals& root = whole->totals(FolderTree::kRoot);
  if (root.files != counts.files || root.bytes != counts.bytes || root.folders + 1 != whole->size()) std::abort();
  NameDecoder decoder("windows-1252");
  for (FolderTree::Index folder = 0; folder < whole->size(); ++folder) {
    if (!(whole->totals(folder) == cut->totals(folder)) || whole->parent(folder) != cut->parent(folder)) std::abort();
    if (folder != FolderTree::kRoot && !within(whole->totals(folder), whole->totals(whole->parent(folder))))
      std::abort();
    const auto path = whole->path(folder, decoder);
    const auto files = whole->files(folder, decoder);
    if (!path || !files) std::abort();
    const FolderTree::Index found = whole->find(*path, decoder);
    if (found == FolderTree::kNone || whole->path(found, decoder) != path) std::abort();
    for (const FolderFile& file : *files)
      if (file.line >= catalogue->size() || whole->folder_of_line(file.line) != folder) std::abort();
  }
  return 0;
}
