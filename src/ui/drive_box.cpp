#include "ui/drive_box.h"

#include <utility>

namespace korvint::ui {
namespace {

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }

bool is_drive_letter_root(const std::string& root) {
  return root.size() >= 2 && (is_upper(root[0]) || (root[0] >= 'a' && root[0] <= 'z')) && root[1] == ':';
}

}  // namespace

std::vector<std::string> drive_box_entries(const std::vector<platform::Drive>& drives) {
  std::vector<std::string> entries;
  for (const platform::Drive& drive : drives) {
    if (!is_drive_letter_root(drive.root)) {
      entries.push_back(drive.root);
      continue;
    }
    const char letter = is_upper(drive.root[0]) ? static_cast<char>(drive.root[0] - 'A' + 'a') : drive.root[0];
    std::string entry{letter, ':'};
    if (!drive.label.empty()) entry += " [" + drive.label + "]";
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<std::string> drive_box_entries() { return drive_box_entries(platform::drives()); }

}  // namespace korvint::ui
