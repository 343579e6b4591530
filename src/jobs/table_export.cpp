#include "jobs/table_export.h"

#include "search/text_match.h"

namespace korvint::jobs {

ExportFormat export_format_of(std::string_view file_name) {
  const auto ends_with = [file_name](std::string_view suffix) {
    if (file_name.size() < suffix.size()) return false;
    const std::string_view end = file_name.substr(file_name.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i)
      if (search::ascii_lower(end[i]) != suffix[i]) return false;
    return true;
  };
  return ends_with(".tsv") || ends_with(".txt") ? ExportFormat::Tsv : ExportFormat::Csv;
}

void append_export_line(std::string& out, const std::vector<std::string>& fields, ExportFormat format) {
  const char separator = format == ExportFormat::Csv ? ',' : '\t';
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i != 0) out += separator;
    const std::string& field = fields[i];
    if (field.find_first_of(std::string{separator, '"', '\r', '\n'}) == std::string::npos) {
      out += field;
      continue;
    }
    out += '"';
    for (const char c : field) {
      if (c == '"') out += '"';
      out += c;
    }
    out += '"';
  }
  out += "\r\n";
}

}  // namespace korvint::jobs
