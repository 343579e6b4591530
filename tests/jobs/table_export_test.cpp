// Exported rows as spreadsheet programs read them: RFC 4180 quoting for CSV,
// the same for TSV with its own separator, and the format a file name asks for.

#include "jobs/table_export.h"

#include <gtest/gtest.h>

namespace korvint::jobs {
namespace {

TEST(TableExport, FieldsAreQuotedOnlyWhenTheyMustBe) {
  struct Case {
    std::vector<std::string> fields;
    std::string csv;
    std::string tsv;
  };
  const Case cases[] = {
      {{"a.jpg", "D:\\Photos\\", "300"}, "a.jpg,D:\\Photos\\,300\r\n", "a.jpg\tD:\\Photos\\\t300\r\n"},
      {{"a,b.txt", "x"}, "\"a,b.txt\",x\r\n", "a,b.txt\tx\r\n"},             // the separator
      {{"tab\there"}, "tab\there\r\n", "\"tab\there\"\r\n"},
      {{"say \"hi\"", ""}, "\"say \"\"hi\"\"\",\r\n", "\"say \"\"hi\"\"\"\t\r\n"},  // quotes doubled; an empty field
      {{"two\r\nlines", "lf\nonly"}, "\"two\r\nlines\",\"lf\nonly\"\r\n", "\"two\r\nlines\"\t\"lf\nonly\"\r\n"},
      {{"caf\xC3\xA9 M\xC3\xBCnchen"}, "caf\xC3\xA9 M\xC3\xBCnchen\r\n", "caf\xC3\xA9 M\xC3\xBCnchen\r\n"},  // UTF-8 as it is
      {{" padded "}, " padded \r\n", " padded \r\n"},  // spaces are part of the field
  };
  for (const Case& c : cases) {
    std::string csv;
    std::string tsv;
    append_export_line(csv, c.fields, ExportFormat::Csv);
    append_export_line(tsv, c.fields, ExportFormat::Tsv);
    EXPECT_EQ(csv, c.csv);
    EXPECT_EQ(tsv, c.tsv);
  }
  for (const auto& [name, format] : {std::pair{"a.csv", ExportFormat::Csv}, std::pair{"A.TSV", ExportFormat::Tsv},
                                     std::pair{"list.txt", ExportFormat::Tsv}, std::pair{"csv", ExportFormat::Csv},
                                     std::pair{"results", ExportFormat::Csv}})
    EXPECT_EQ(export_format_of(name), format) << name;
}

}  // namespace
}  // namespace korvint::jobs
