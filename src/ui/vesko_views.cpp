#include "ui/vesko_views.h"

#include <array>

namespace korvint::ui {
namespace {

// Widths in twips, as the main window's columns.
constexpr std::array<VeskoColumn, 8> kDuplicateColumns{{
    {"Group", 700, true},
    {"Copies", 900, true},
    {"Wasted", 1100, true},
    {"Name", 2600, false},
    {"Folder", 2800, false, true},
    {"Size", 1300, true},
    {"Date", 2300, false},
    {"Catalogue", 1500, false},
}};

constexpr std::array<VeskoColumn, 6> kComparisonColumns{{
    {"Difference", 1500, false},
    {"Path", 4200, false, true},
    {"Size A", 1300, true},
    {"Date A", 2300, false},
    {"Size B", 1300, true},
    {"Date B", 2300, false},
}};

constexpr std::array<std::string_view, 3> kDuplicateKeyChoices{"Name and size", "Size and date", "Name"};

}  // namespace

std::span<const std::string_view> duplicate_key_choices() { return kDuplicateKeyChoices; }

std::span<const VeskoColumn> duplicate_columns() { return kDuplicateColumns; }
std::span<const VeskoColumn> comparison_columns() { return kComparisonColumns; }

}  // namespace korvint::ui
