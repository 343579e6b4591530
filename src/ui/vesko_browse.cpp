#include "ui/vesko_browse.h"

#include <array>

namespace korvint::ui {
namespace {

// Widths in twips, as the main window's columns.
constexpr std::array<VeskoColumn, 4> kFolderColumns{{
    {"Folder", 3200, false, true},
    {"Size", 1100, true},
    {"Files", 900, true},
    {"Folders", 900, true},
}};

constexpr std::array<VeskoColumn, 3> kFileColumns{{
    {"Name", 3000, false, true},
    {"Size", 1300, true},
    {"Date", 2300, false},
}};

}  // namespace

std::span<const VeskoColumn> browse_folder_columns() { return kFolderColumns; }
std::span<const VeskoColumn> browse_file_columns() { return kFileColumns; }

}  // namespace korvint::ui
