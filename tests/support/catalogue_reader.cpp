#include "support/catalogue_reader.h"

#include <algorithm>
#include <vector>

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
    if (std::count(line.begin(), line.end(), '\t') != 3 || line.find('\n') != std::string::npos ||
        line.find('\r') != std::string::npos) {
      parsed.problem = "bad line " + std::to_string(i + 1) + ": " + line;
      return parsed;
    }
    const std::string first = line.substr(0, line.find('\t'));
    if (!first.empty() && first.back() == '\\') {
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
