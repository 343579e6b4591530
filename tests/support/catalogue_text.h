#pragma once
// A catalogue's text for tests: its header line (the root), then one line an
// entry, each ending in CR LF as the catalogue writer ends them.

#include <string>
#include <vector>

namespace korvint::test {

/// `header`, then each of `entries`, every line ending in CR LF.
inline std::string catalogue_lines(const std::string& header, const std::vector<std::string>& entries) {
  std::string text = header + "\r\n";
  for (const std::string& entry : entries) text += entry + "\r\n";
  return text;
}

}  // namespace korvint::test
