#pragma once
// Which non-ASCII text can hold an ASCII word once case-folded. Folding keeps
// every ASCII character (lowercased) and never makes new ASCII out of non-ASCII,
// except for a few characters: the Kelvin sign folds into "k", "ß" into "ss",
// "ſ" into "s", ligatures such as "ﬁ" into "fi". A name whose raw bytes lack an
// ASCII word and hold none of those lacks the word once folded too, so only
// such names need the exact (decoding, folding) comparison.

#include <array>
#include <string>
#include <string_view>

namespace korvint::search {

/// True when the character `point` (written `utf8`) folds, by the platform's
/// folding, into text that holds ASCII or into nothing. Learned once per
/// process for each character of the Basic Multilingual Plane (any thread may
/// ask); true for every character above it, which stays for the exact path.
bool folds_into_ascii(char32_t point, std::string_view utf8);

/// For each byte of a code page: 1 when the byte >= 0x80 alone may fold into ASCII
/// (or does not decode alone, like the lead byte of a double-byte code page).
using CodePageFolds = std::array<unsigned char, 256>;

/// The table for the code page `code_page` ("" the default).
CodePageFolds code_page_folds(const std::string& code_page);

/// What a run of bytes >= 0x80 may stand for.
struct HighRun {
  const char* end = nullptr;      ///< the first byte after the run (< 0x80), or the text's end
  bool utf8_folds = false;        ///< read as UTF-8, a character of it folds into ASCII
  bool invalid_utf8 = false;      ///< the run is not valid UTF-8
  bool code_page_folds = false;   ///< read in the code page, a byte of it may fold into ASCII
};

/// Reads the run of bytes >= 0x80 that starts at `p` (before `end`); the code
/// page is checked only when `code_page` is given.
HighRun read_high_run(const char* p, const char* end, const CodePageFolds* code_page);

}  // namespace korvint::search
