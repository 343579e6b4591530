#pragma once
// Caseless comparison of names in any script, by the system's own case data.

#include <string>
#include <string_view>

namespace korvint::platform {

/// Replaces `out` with `text` (UTF-8; malformed bytes become U+FFFD) case-folded,
/// so that two names the file system may take as one give the same bytes. ASCII
/// letters come out in one case, each ASCII character stays one ASCII character,
/// and the result is valid UTF-8. Linux: as fold_for_search(). Windows: the
/// system's uppercase mapping (what CompareStringOrdinal ignores).
void fold_case(std::string_view text, std::string& out);

/// Whether fold_for_search() keeps the diacritic marks or drops them.
enum class Marks { Keep, Drop };

/// Replaces `out` with `text` (UTF-8; malformed bytes become U+FFFD) as the
/// search compares it: Unicode full case folding (the C and F mappings of
/// CaseFolding.txt: "ß" and "ẞ" fold to "ss", the Kelvin sign to "k", "ſ" to
/// "s", "ﬁ" to "fi", "İ" to "i" and a combining dot), then composed (NFC), so
/// a decomposed "ä" folds like a composed one. With Marks::Drop the text is
/// decomposed (NFD) after folding and every combining mark (the general
/// categories Mn, Mc and Me) is left out before composing: "Café" gives "cafe".
/// ASCII comes out as its lowercase, and the result is valid UTF-8. Each
/// character folds on its own, so folding a text gives the folded characters
/// one after the other (up to the composition of what is left of their marks).
/// Linux: utf8proc. Windows: the system's ICU (icu.dll, Windows 10 1903 and
/// later), else the lowercase of LCMapStringEx (see
/// search_folding()).
void fold_for_search(std::string_view text, std::string& out, Marks marks);

/// What fold_for_search() stands on.
struct SearchFolding {
  const char* source;  ///< "utf8proc", "icu.dll" or "LCMapStringEx"
  /// True for Unicode full case folding. False for the fallback, which maps
  /// each character to its lowercase and so finds a part of what full folding
  /// finds: "ß", "ẞ", "ſ", "ς" and the ligatures stay as they are ("ss", "s",
  /// "σ", "fi" do not find them), and the marks it drops are the non-spacing
  /// ones only.
  bool full;
  /// The source and the versions of its data ("utf8proc 2.8.0, Unicode 15.0.0";
  /// on Windows ICU's and the NLS version), which change what a name folds to:
  /// what was folded under another version is not what this one folds.
  std::string version;
};
SearchFolding search_folding();

}  // namespace korvint::platform
