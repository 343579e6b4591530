#include "ui/vesko_layout.h"

#include <algorithm>
#include <array>

namespace korvint::ui {
namespace {

using enum VeskoControlId;

// The query box across the top with "?" (the query language) at its end;
// the folder and its button below it; the
// catalogues, a few rows high; the results take the rest; the status line at
// the bottom. Drawn for 96 dots per inch: 15 twips to the pixel.
constexpr std::array<VeskoControlShape, kVeskoControlCount> kControls{{
    {{.name = "txtQuery", .kind = ControlKind::TextBox, .left = 120, .top = 120, .height = 345, .tab_index = 0,
      .horizontal = Anchor::Stretch, .right = 555},
     txtQuery},
    {{.name = "lblFolder", .kind = ControlKind::Label, .left = 120, .top = 600, .height = 285,
      .tooltip_shows_caption = true, .horizontal = Anchor::Stretch, .right = 1920},
     lblFolder},
    {{.name = "cmdFolder", .kind = ControlKind::CommandButton, .caption = "Change &folder...", .top = 540,
      .width = 1680, .height = 375, .tab_index = 2, .horizontal = Anchor::End, .right = 120},
     cmdFolder},
    {{.name = "lstCatalogues", .kind = ControlKind::Table, .left = 120, .top = 1020, .height = kVeskoCataloguesTwips,
      .tab_index = 3,
      .horizontal = Anchor::Stretch, .right = 120},
     lstCatalogues},
    {{.name = "lstResults", .kind = ControlKind::Table, .left = 120,
      .top = 1020 + kVeskoCataloguesTwips + kVeskoSplitterTwips, .tab_index = 4,
      .horizontal = Anchor::Stretch, .vertical = Anchor::Stretch, .right = 120, .bottom = 480},
     lstResults},
    {{.name = "lblStatus", .kind = ControlKind::Label, .left = 120, .height = 285, .tooltip_shows_caption = true,
      .horizontal = Anchor::Stretch, .vertical = Anchor::End, .right = 120, .bottom = 120},
     lblStatus},
    {{.name = "cmdHelp", .kind = ControlKind::CommandButton, .caption = "?", .top = 120, .width = 375, .height = 345,
      .tab_index = 1, .tooltip = "The query language (F1)", .horizontal = Anchor::End, .right = 120},
     cmdHelp},
}};

// The columns of each table fit its width as drawn, with room for the
// vertical scroll bar, so no column starts cut off. Numbers, dates and ages
// are at least as wide as their longest text in the window's font ("under a
// minute", a size in the tens of gigabytes): an elided number reads as
// another number. Names (of files, of catalogues) are as wide as those on
// screen, up to a cap: they are what people scan for; the paths take what is
// left (ui/column_fit.h).
constexpr std::string_view kLongestTime = "0000-00-00 00:00:00";
constexpr std::array<VeskoColumn, 5> kResultColumns{{
    {"Name", 2400, false, false, {}, 5400},
    {"Folder", 2550, false, true},
    {"Size", 1500, true, false, "99,999,999,999"},
    {"Date", 2250, false, false, kLongestTime},
    {"Catalogue", 1350, false, false, {}, 3600},
}};

constexpr std::array<VeskoColumn, 8> kCatalogueColumns{{
    {"Name", 1200, false, false, {}, 3600},
    {"Root", 1250, false, true},
    {"Files", 1000, true},
    {"Folders", 900, true},
    {"Size", 900, true},
    {"Written", 2100, false, false, kLongestTime},
    {"Age", 1600, false, false, "under a minute"},
    {"Medium", 1300, false, false, "drive present"},
}};

constexpr std::array<ResultMenuEntry, 6> kResultMenu{{
    {ResultMenuItem::CopyPath, "Copy full &path\tCtrl+C"},
    {ResultMenuItem::CopyLines, "Copy as &text lines"},
    {ResultMenuItem::CopyName, "Copy &name"},
    {ResultMenuItem::OpenFolder, "&Open folder"},
    {ResultMenuItem::Export, "&Export..."},
    {ResultMenuItem::ShowInCatalogue, "&Show in catalogue"},
}};

}  // namespace

std::span<const VeskoControlShape> vesko_controls() { return kControls; }

const VeskoControlShape& vesko_control(VeskoControlId id) { return kControls.at(static_cast<std::size_t>(id)); }

std::vector<PixelRect> vesko_pixel_layout(int dpi, int width, int height, std::optional<int> catalogue_height) {
  std::vector<PixelRect> at;
  for (const VeskoControlShape& shape : kControls) at.push_back(control_pixel_rect(shape, dpi, dpi, 1.0, width, height));
  PixelRect& catalogues = at[static_cast<std::size_t>(lstCatalogues)];
  PixelRect& results = at[static_cast<std::size_t>(lstResults)];
  const int bottom = results.top + results.height;
  catalogues.height = clamp_catalogue_height(catalogue_height.value_or(catalogues.height), dpi, height);
  results.top = catalogues.top + catalogues.height + twips_to_pixels(kVeskoSplitterTwips, dpi);
  results.height = std::max(0, bottom - results.top);
  return at;
}

int clamp_catalogue_height(int wanted, int dpi, int height) {
  const PixelRect results = control_pixel_rect(vesko_control(lstResults), dpi, dpi, 1.0, 0, height);
  const int top = twips_to_pixels(vesko_control(lstCatalogues).top, dpi);
  const int most = results.top + results.height - twips_to_pixels(kVeskoSplitterTwips, dpi) -
                   twips_to_pixels(kVeskoMinResultsTwips, dpi) - top;
  return std::max(twips_to_pixels(kVeskoMinCataloguesTwips, dpi), std::min(wanted, most));
}

std::span<const VeskoColumn> result_columns() { return kResultColumns; }
std::span<const VeskoColumn> catalogue_columns() { return kCatalogueColumns; }
std::span<const ResultMenuEntry> result_menu() { return kResultMenu; }

}  // namespace korvint::ui
