#pragma once
// A catalogue's text for tests: its header line, then its entry lines, each ended by CR LF.

#include <string>
#include <vector>

namespace korvint::test {

/// `header` and `entries` as a catalogue file holds them.
inline std::string catalogue_text(const std::string& header, const std::vector<std::string>& entries) {
  std::string text = header + "\r\n";
  for (const std::string& entry : entries) text += entry + "\r\n";
  return text;
}

}  // namespace korvint::test
