#include "jobs/view_actions.h"

#include <algorithm>

#include "jobs/entry_opening.h"
#include "jobs/table_export.h"
#include "platform/settings_file.h"

namespace korvint::jobs {
namespace {

// A number as the table shows it ("1,234") as a spreadsheet reads it; any other text as it is.
std::string plain_number(std::string text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || c == ','; }))
    return text;
  std::erase(text, ',');
  return text;
}

}  // namespace

void open_view_row(const ViewRows& rows, std::size_t row, const VeskoServices& services, ui::VeskoHost& host) {
  if (row >= rows.row_count()) return;
  const std::optional<ViewEntry> entry = rows.entry(row);
  if (!entry) return;  // a group's own row
  std::string path;
  search::NameDecoder decoder(services.code_page);
  if (!search::full_path(*entry->catalogue, entry->hit, decoder, path)) return;  // its catalogue changed since
  open_entry(*entry->catalogue, path, services, host);
}

void copy_view_rows(const ViewRows& rows, const std::vector<std::size_t>& chosen, ui::ResultMenuItem what,
                    const VeskoServices& services, ui::VeskoHost& host) {
  std::string text;
  std::string part;
  search::NameDecoder decoder(services.code_page);
  for (const std::size_t row : chosen) {
    if (what == ui::ResultMenuItem::CopyLines) {
      // The row as it stands, its cells between TABs: a group's own row too.
      for (int column = 0; column < static_cast<int>(rows.columns().size()); ++column) {
        rows.cell(row, column, part);
        text += (column == 0 ? "" : "\t") + part;
      }
      text += '\n';
      continue;
    }
    const std::optional<ViewEntry> entry = rows.entry(row);
    if (!entry) continue;  // a group's own row has no path
    bool read = false;
    if (what == ui::ResultMenuItem::CopyName) {
      std::string raw;
      read = search::raw_name(*entry->catalogue, entry->hit, raw);
      if (read) decoder.decode(entry->catalogue->encoding(), raw, part);
    } else {
      read = search::full_path(*entry->catalogue, entry->hit, decoder, part);
    }
    if (!read) return;  // its catalogue changed since
    text += part + "\n";
  }
  // Lines between the rows, none after the last: one path pastes as it is.
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (!text.empty()) host.setClipboardText(text);
}

void export_view_rows(const ViewRows& rows, const std::string& suggested, ui::VeskoHost& host) {
  const std::string path = host.SaveExportFile(suggested);
  if (path.empty()) return;
  const ExportFormat format = export_format_of(path);
  std::string text(kUtf8Bom);
  std::vector<std::string> fields;
  for (const ui::VeskoColumn& column : rows.columns()) fields.emplace_back(column.title);
  append_export_line(text, fields, format);
  for (std::size_t row = 0; row < rows.row_count(); ++row) {
    for (std::size_t column = 0; column < fields.size(); ++column) {
      rows.cell(row, static_cast<int>(column), fields[column]);
      // Sizes as numbers, without the table's thousands separators.
      if (rows.columns()[column].right_aligned) fields[column] = plain_number(std::move(fields[column]));
    }
    append_export_line(text, fields, format);
  }
  if (const platform::Status written = platform::write_settings_atomically(path, text); !written.ok())
    host.messageBox("Could not export to " + path + ": " + written.message());
}

}  // namespace korvint::jobs
