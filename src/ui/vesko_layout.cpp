#include "ui/vesko_layout.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace korvint::ui {
namespace {

using enum VeskoControlId;

// The query box across the top; the folder and its button below it; the
// catalogues, a few rows high; the results take the rest; the status line at
// the bottom. Drawn for 96 dots per inch: 15 twips to the pixel.
constexpr std::array<VeskoControlSpec, kVeskoControlCount> kControls{{
    {txtQuery, "txtQuery", VeskoKind::TextBox, "", 120, 120, 0, 345, 120, 0, Anchor::Stretch, Anchor::Start},
    {lblFolder, "lblFolder", VeskoKind::Label, "", 120, 600, 0, 285, 1920, 0, Anchor::Stretch, Anchor::Start},
    {cmdFolder, "cmdFolder", VeskoKind::Button, "Change &folder...", 0, 540, 1680, 375, 120, 0, Anchor::End,
     Anchor::Start},
    {lstCatalogues, "lstCatalogues", VeskoKind::Table, "", 120, 1020, 0, 1560, 120, 0, Anchor::Stretch,
     Anchor::Start},
    {lstResults, "lstResults", VeskoKind::Table, "", 120, 2700, 0, 0, 120, 480, Anchor::Stretch, Anchor::Stretch},
    {lblStatus, "lblStatus", VeskoKind::Label, "", 120, 0, 0, 285, 120, 120, Anchor::Stretch, Anchor::End},
}};

// The columns of each table fit its width as drawn, with room for the
// vertical scroll bar, so no column starts cut off.
constexpr std::array<VeskoColumn, 5> kResultColumns{{
    {"Name", 2400, false},
    {"Folder", 2850, false},
    {"Size", 1200, true},
    {"Date", 2250, false},
    {"Catalogue", 1350, false},
}};

constexpr std::array<VeskoColumn, 4> kCatalogueColumns{{
    {"Name", 2100, false},
    {"Root", 4200, false},
    {"Entries", 1350, true},
    {"Scanned", 2250, false},
}};

constexpr std::array<ResultMenuEntry, 3> kResultMenu{{
    {ResultMenuItem::CopyPath, "Copy full &path"},
    {ResultMenuItem::CopyName, "Copy &name"},
    {ResultMenuItem::OpenFolder, "&Open folder"},
}};

// Start and length of one axis in pixels.
std::pair<int, int> place(Anchor anchor, int start, int length, int end_margin, int client, int dpi) {
  switch (anchor) {
    case Anchor::Start: return {vesko_pixels(start, dpi), vesko_pixels(length, dpi)};
    case Anchor::Stretch: {
      const int from = vesko_pixels(start, dpi);
      return {from, std::max(0, client - vesko_pixels(end_margin, dpi) - from)};
    }
    case Anchor::End: {
      const int size = vesko_pixels(length, dpi);
      return {std::max(0, client - vesko_pixels(end_margin, dpi) - size), size};
    }
  }
  return {0, 0};
}

}  // namespace

std::span<const VeskoControlSpec> vesko_controls() { return kControls; }

const VeskoControlSpec& vesko_control(VeskoControlId id) { return kControls.at(static_cast<std::size_t>(id)); }

int vesko_pixels(int twips, int dpi) { return static_cast<int>(std::lround(twips * dpi / 1440.0)); }

VeskoRect vesko_control_rect(const VeskoControlSpec& shape, int client_width, int client_height, int dpi) {
  const auto [left, width] = place(shape.horizontal, shape.left, shape.width, shape.right, client_width, dpi);
  const auto [top, height] = place(shape.vertical, shape.top, shape.height, shape.bottom, client_height, dpi);
  return VeskoRect{left, top, width, height};
}

std::span<const VeskoColumn> result_columns() { return kResultColumns; }
std::span<const VeskoColumn> catalogue_columns() { return kCatalogueColumns; }
std::span<const ResultMenuEntry> result_menu() { return kResultMenu; }

}  // namespace korvint::ui
