#pragma once
// Rows of a table written for spreadsheet programs: CSV as RFC 4180 has it
// or tab-separated values, in UTF-8 with a byte-order mark (so that accents
// read right), lines ended by CR LF.

#include <string>
#include <string_view>
#include <vector>

namespace korvint::jobs {

enum class ExportFormat { Csv, Tsv };

/// The format a file's name asks for: TSV for ".tsv" and ".txt" (in any case), else CSV.
ExportFormat export_format_of(std::string_view file_name);

/// The UTF-8 byte-order mark every export begins with.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

/// Appends one line of `fields` in `format` to `out`, ended by CR LF. A field
/// holding the separator, a double quote, CR or LF is put in double quotes
/// with its own quotes doubled (the TSV that spreadsheet programs read takes
/// the same quoting); any other field is written as it is.
void append_export_line(std::string& out, const std::vector<std::string>& fields, ExportFormat format);

}  // namespace korvint::jobs
