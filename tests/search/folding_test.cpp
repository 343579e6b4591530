// Case and accents as people expect them, on every flavour: queries against
// names that fold into other letters, in a UTF-8 and a Windows-1252 catalogue,
// searched with the catalogue's encoding still to be learned and once known.

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/case_folding.h"
#include "search_fixture.h"

namespace korvint::search {
namespace {

using Names = std::vector<std::string>;

// The names, each a file of one byte.
std::string catalogue_of(const std::string& root, const Names& names) {
  std::vector<std::string> lines;
  for (const std::string& name : names) lines.push_back(name + "\t1\t 2020.1.1\t0:0.0");
  return test::catalogue_text(root, lines);
}

std::vector<std::shared_ptr<Catalogue>> folding_catalogues() {
  const Names utf8 = {
      "Straße.txt",  "STRASSE.txt", "ẞ-Kapital.txt", "\u212A-Kelvin.txt",  // the Kelvin sign
      "ſtar.txt",    "ﬁle.txt",     "ΣΟΦΟΣ.txt",     "σοφος.txt",
      "İstanbul.txt", "ırmak.txt",  "Irmak.txt",     "ПРИВЕТ.txt",
      "Café.txt",    "cafe\u0301 bar.txt",  // "é" written as "e" and a combining accent
      "cafe.txt",    "München.txt", "documents of Zürich.txt", "résumé.pdf",
      "Ærø.txt",     "naïve.txt",
  };
  // What Windows-1252 can write of them.
  const Names cp1252 = {"Stra\xDF" "e.txt", "Caf\xE9.txt", "M\xFCnchen.txt", "documents of Z\xFCrich.txt",
                        "r\xE9sum\xE9.pdf", "\xC6r\xF8.txt"};
  return {test::make_catalogue("utf8", catalogue_of("U:\\", utf8)),
          test::make_catalogue("cp1252", catalogue_of("W:\\", cp1252))};
}

struct FoldingCase {
  const char* query;
  Names expected;  // "CATALOGUE<TAB>FULL PATH" of each result
  /// What the fallback of Windows without icu.dll (the lowercase mapping)
  /// may miss of them: a letter that folds into other letters, or into
  /// another letter ("ß", "ẞ", "ſ", "ς", the ligatures).
  Names fallback_may_miss = {};
};

bool contains(const Names& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(FoldingTest, EveryFlavourFindsTheSameNames) {
  const std::string u = "utf8\tU:\\";
  const std::string w = "cp1252\tW:\\";
  const FoldingCase cases[] = {
      // Full case folding: "ß" and "ẞ" are "ss", the Kelvin sign "k", "ſ" "s", "ﬁ" "fi".
      {"STRASSE", {u + "Straße.txt", u + "STRASSE.txt", w + "Straße.txt"}, {u + "Straße.txt", w + "Straße.txt"}},
      {"straße", {u + "Straße.txt", u + "STRASSE.txt", w + "Straße.txt"}, {u + "STRASSE.txt"}},
      {"ss-kapital", {u + "ẞ-Kapital.txt"}, {u + "ẞ-Kapital.txt"}},
      {"KELVIN", {u + "\u212A-Kelvin.txt"}},
      {"star", {u + "ſtar.txt"}, {u + "ſtar.txt"}},
      {"file", {u + "ﬁle.txt"}, {u + "ﬁle.txt"}},
      // Greek final sigma folds like the other sigmas.
      {"σοφος", {u + "ΣΟΦΟΣ.txt", u + "σοφος.txt"}, {u + "ΣΟΦΟΣ.txt"}},
      {"ΣΟΦΟΣ", {u + "ΣΟΦΟΣ.txt", u + "σοφος.txt"}, {u + "σοφος.txt"}},
      // Turkish i by the default folding: "İ" is "i" with a dot above, "ı" stays apart.
      {"istanbul", {u + "İstanbul.txt"}},
      {"İSTANBUL", {u + "İstanbul.txt"}},
      {"irmak", {u + "Irmak.txt"}},
      {"ırmak", {u + "ırmak.txt"}},
      {"привет", {u + "ПРИВЕТ.txt"}},
      // A word without accents finds names with or without them; with, only with.
      {"cafe", {u + "Café.txt", u + "cafe\u0301 bar.txt", u + "cafe.txt", w + "Café.txt"}},
      {"CAFÉ", {u + "Café.txt", u + "cafe\u0301 bar.txt", w + "Café.txt"}},
      {"\"e bar\"", {u + "cafe\u0301 bar.txt"}},  // across the lone accent
      {"caf?.txt", {u + "Café.txt", u + "cafe.txt", w + "Café.txt"}},
      {"caf -café", {u + "cafe.txt"}},
      {"munchen", {u + "München.txt", w + "München.txt"}},
      {"münchen", {u + "München.txt", w + "München.txt"}},
      {"zurich", {u + "documents of Zürich.txt", w + "documents of Zürich.txt"}},
      {"of zurich", {u + "documents of Zürich.txt", w + "documents of Zürich.txt"}},
      {"resume", {u + "résumé.pdf", w + "résumé.pdf"}},
      {"naive", {u + "naïve.txt"}},
      // Letters that are not written with a mark stay themselves.
      {"aero", {}},
      {"ærø", {u + "Ærø.txt", w + "Ærø.txt"}},
  };
  // The fallback finds a part of what full folding finds: all but what it may miss.
  const bool full = platform::search_folding().full;
  for (const FoldingCase& c : cases) {
    Names expected = c.expected;
    if (!full) std::erase_if(expected, [&](const std::string& name) { return contains(c.fallback_may_miss, name); });
    // Fresh catalogues learn their encoding on the way; then it is known.
    const auto catalogues = folding_catalogues();
    for (const std::uint64_t chunk_bytes : {std::uint64_t{4} << 20, std::uint64_t{7}}) {
      Names found = test::search_paths(catalogues, c.query, chunk_bytes);
      if (!full) std::erase_if(found, [&](const std::string& name) { return contains(c.fallback_may_miss, name); });
      EXPECT_EQ(found, expected) << c.query << " in chunks of " << chunk_bytes << " (" << platform::search_folding().source
                                 << ")";
    }
  }
}

}  // namespace
}  // namespace korvint::search
