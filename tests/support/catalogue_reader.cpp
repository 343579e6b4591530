#include "support/catalogue_reader.h"

#include <vector>

#include "catalogue/parse_lines.h"

namespace korvint::test {

ParsedCatalogue parse_catalogue(const std::string& catalogue) {
  ParsedCatalogue parsed;
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < catalogue.size()) {
    const std::size_t end = catalogue.find("\r\n", at);
    if (end == std::string::npos) {
      parsed.problem = "last line without CR LF";
      return parsed;
    }
    lines.push_back(catalogue.substr(at, end - at));
    at = end + 2;
  }
  if (lines.empty()) {
    parsed.problem = "no header line";
    return parsed;
  }
  parsed.header = lines[0];
  std::set<std::string> seen_folders{""};
  std::string current;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    const auto entry = catalogue::parse_entry_line(line);
    if (!entry) {
      parsed.problem = "bad line " + std::to_string(i + 1) + ": " + line;
      return parsed;
    }
    const std::string first(entry->path);
    if (entry->is_folder) {
      std::string parent = first.substr(0, first.size() - 1);
      const auto cut = parent.rfind('\\');
      parent = cut == std::string::npos ? std::string() : parent.substr(0, cut + 1);
      if (!seen_folders.count(parent)) {
        parsed.problem = "folder line before its parent's: " + line;
        return parsed;
      }
      seen_folders.insert(first);
      parsed.folder_lines.insert(line);
      current = first;
      parsed.files[current];
    } else {
      parsed.files[current].insert(line);
    }
  }
  return parsed;
}

}  // namespace korvint::test
