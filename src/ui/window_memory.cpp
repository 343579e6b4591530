#include "ui/window_memory.h"

#include <algorithm>
#include <charconv>
#include <sstream>

namespace korvint::ui {
namespace {

// The whole numbers of `text`, separated by spaces; nullopt when anything else is there.
std::optional<std::vector<int>> numbers(std::string_view text) {
  std::vector<int> values;
  while (!text.empty()) {
    if (text.front() == ' ') {
      text.remove_prefix(1);
      continue;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || (end != text.data() + text.size() && *end != ' ')) return std::nullopt;
    values.push_back(value);
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
  }
  return values;
}

std::string joined(const std::vector<int>& values) {
  std::string text;
  for (const int value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
  return text;
}

std::string rect_text(const PixelRect& rect) { return joined(std::vector<int>{rect.left, rect.top, rect.width, rect.height}); }

int scaled(int pixels, int from, int to) {
  return from > 0 ? static_cast<int>((static_cast<long long>(pixels) * to + from / 2) / from) : pixels;
}

// Widths that make sense: one a column, none negative or absurd.
bool plausible_widths(const std::vector<int>& widths) {
  return std::all_of(widths.begin(), widths.end(), [](int width) { return width >= 0 && width <= 100000; });
}

}  // namespace

PixelRect clamp_to_area(PixelRect saved, PixelRect area, int least_width, int least_height) {
  const auto fit = [](int start, int length, int area_start, int area_length, int least) {
    length = std::min(std::max(length, least), area_length);
    start = std::max(area_start, std::min(start, area_start + area_length - length));
    return std::pair{start, length};
  };
  const auto [left, width] = fit(saved.left, saved.width, area.left, area.width, least_width);
  const auto [top, height] = fit(saved.top, saved.height, area.top, area.height, least_height);
  return PixelRect{left, top, width, height};
}

PixelRect first_place(int width, int height, PixelRect area, int margin, int least_width, int least_height) {
  const auto fit = [margin](int length, int area_start, int area_length, int least) {
    length = std::min(std::max(std::min(length, area_length - 2 * margin), least), area_length);
    return std::pair{area_start + (area_length - length) / 2, length};
  };
  const auto [left, placed_width] = fit(width, area.left, area.width, least_width);
  const auto [top, placed_height] = fit(height, area.top, area.height, least_height);
  return PixelRect{left, top, placed_width, placed_height};
}

std::string window_memory_text(const VeskoWindowMemory& memory) {
  std::ostringstream text;
  text << "dpi=" << memory.dpi << "\n";
  if (memory.rect)
    text << "rect=" << rect_text(*memory.rect) << "\n";
  text << "maximized=" << (memory.maximized ? 1 : 0) << "\n";
  if (memory.split) text << "split=" << *memory.split << "\n";
  if (!memory.result_widths.empty()) text << "results=" << joined(memory.result_widths) << "\n";
  if (!memory.catalogue_widths.empty()) text << "catalogues=" << joined(memory.catalogue_widths) << "\n";
  if (memory.sort_column) text << "sort=" << *memory.sort_column << " " << (memory.sort_descending ? 1 : 0) << "\n";
  if (memory.catalogue_sort_column)
    text << "catalogue_sort=" << *memory.catalogue_sort_column << " " << (memory.catalogue_sort_descending ? 1 : 0)
         << "\n";
  if (memory.view_rect)
    text << "view=" << rect_text(*memory.view_rect) << "\n";
  if (memory.view_maximized) text << "view_maximized=1\n";
  if (memory.browse_rect) text << "browse=" << rect_text(*memory.browse_rect) << "\n";
  if (memory.browse_maximized) text << "browse_maximized=1\n";
  if (memory.browse_split) text << "browse_split=" << *memory.browse_split << "\n";
  if (!memory.browse_folder_widths.empty()) text << "browse_folders=" << joined(memory.browse_folder_widths) << "\n";
  if (!memory.browse_file_widths.empty()) text << "browse_files=" << joined(memory.browse_file_widths) << "\n";
  if (memory.folder_sort_column)
    text << "folder_sort=" << *memory.folder_sort_column << " " << (memory.folder_sort_descending ? 1 : 0) << "\n";
  if (memory.file_sort_column)
    text << "file_sort=" << *memory.file_sort_column << " " << (memory.file_sort_descending ? 1 : 0) << "\n";
  return text.str();
}

VeskoWindowMemory read_window_memory(std::string_view text) {
  VeskoWindowMemory memory;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    const auto values = numbers(line.substr(equals + 1));
    if (!values || values->empty()) continue;
    const std::vector<int>& v = *values;
    // A place: left, top, width, height, the size above 0.
    const auto place = [&v](std::optional<PixelRect>& into) {
      if (v.size() == 4 && v[2] > 0 && v[3] > 0) into = PixelRect{v[0], v[1], v[2], v[3]};
    };
    // A sort: the column (0 or more) and whether it goes down.
    const auto sort = [&v](std::optional<int>& column, bool& descending) {
      if (v.size() != 2 || v[0] < 0) return;
      column = v[0];
      descending = v[1] != 0;
    };
    if (key == "dpi" && v.size() == 1 && v[0] >= 48 && v[0] <= 960) memory.dpi = v[0];
    if (key == "rect") place(memory.rect);
    if (key == "maximized" && v.size() == 1) memory.maximized = v[0] != 0;
    if (key == "split" && v.size() == 1 && v[0] > 0) memory.split = v[0];
    if (key == "results" && plausible_widths(v)) memory.result_widths = v;
    if (key == "catalogues" && plausible_widths(v)) memory.catalogue_widths = v;
    if (key == "sort") sort(memory.sort_column, memory.sort_descending);
    if (key == "catalogue_sort") sort(memory.catalogue_sort_column, memory.catalogue_sort_descending);
    if (key == "view") place(memory.view_rect);
    if (key == "view_maximized" && v.size() == 1) memory.view_maximized = v[0] != 0;
    if (key == "browse") place(memory.browse_rect);
    if (key == "browse_maximized" && v.size() == 1) memory.browse_maximized = v[0] != 0;
    if (key == "browse_split" && v.size() == 1 && v[0] > 0) memory.browse_split = v[0];
    if (key == "browse_folders" && plausible_widths(v)) memory.browse_folder_widths = v;
    if (key == "browse_files" && plausible_widths(v)) memory.browse_file_widths = v;
    if (key == "folder_sort") sort(memory.folder_sort_column, memory.folder_sort_descending);
    if (key == "file_sort") sort(memory.file_sort_column, memory.file_sort_descending);
  }
  return memory;
}

VeskoWindowMemory at_dpi(VeskoWindowMemory memory, int dpi) {
  const int from = memory.dpi;
  const auto scale = [from, dpi](int& pixels) { pixels = scaled(pixels, from, dpi); };
  for (std::optional<PixelRect>* rect : {&memory.rect, &memory.view_rect, &memory.browse_rect})
    if (*rect) {
      scale((*rect)->width);
      scale((*rect)->height);
    }
  for (std::optional<int>* split : {&memory.split, &memory.browse_split})
    if (*split) scale(**split);
  for (std::vector<int>* widths : {&memory.result_widths, &memory.catalogue_widths, &memory.browse_folder_widths,
                                   &memory.browse_file_widths})
    for (int& width : *widths) scale(width);
  memory.dpi = dpi;
  return memory;
}

}  // namespace korvint::ui
