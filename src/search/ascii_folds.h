#pragma once
// What non-ASCII text reads as to an ASCII word. A word of ASCII characters
// has no diacritics, so it is compared with names folded without their marks
// (platform::fold_for_search with Marks::Drop): there "é" reads "e", "ß" "ss",
// the Kelvin sign "k", "ﬁ" "fi", a lone combining accent nothing at all, while
// "д" or "ø" hold no ASCII. Each character folds on its own, so a name reads
// to an ASCII word as its characters do, one after the other: its skeleton,
// in which every part of a folded character that is not ASCII stands as the
// byte 0x80, which no ASCII word holds. An ASCII word is in the folded name
// exactly when it is in the skeleton, which a table gives without folding the
// name: only the first meeting of each character asks the platform.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvint::search {

/// The byte that stands for what is not ASCII in a skeleton.
inline constexpr char kNotAscii = '\x80';

/// Appends the skeleton of `text` (UTF-8; a malformed byte stands as one
/// kNotAscii) to `out`, ASCII letters in lowercase. Any thread may call it.
void append_skeleton(std::string_view text, std::string& out);

/// For each byte >= 0x80 of a code page, its skeleton as the table stores it
/// (0 for a byte that does not read alone: the lead byte of a double-byte code
/// page, or one the code page leaves undefined).
using CodePageForms = std::array<std::uint32_t, 256>;

/// The table for the code page `code_page` ("" the default).
CodePageForms code_page_forms(const std::string& code_page);

/// The skeleton of a run of bytes >= 0x80, when it is short.
struct RunSkeleton {
  static constexpr std::size_t kCapacity = 24;
  char bytes[kCapacity];
  unsigned char length = 0;
  bool whole = true;  ///< false: it did not fit, or a byte of it does not read alone
};

/// What a run of bytes >= 0x80 may read as to an ASCII word.
struct HighRun {
  const char* end = nullptr;     ///< the first byte after the run (< 0x80), or the text's end
  bool utf8_may_matter = false;  ///< read as UTF-8, a character of it reads as some ASCII or as nothing
  bool invalid_utf8 = false;     ///< the run is not valid UTF-8
  bool code_page_may_matter = false;  ///< read in the code page, a byte of it may read as ASCII or nothing
  RunSkeleton utf8;                   ///< its skeleton read as UTF-8
  RunSkeleton code_page;              ///< read in the code page (when one was given)
};

/// Reads the run of bytes >= 0x80 that starts at `p` (before `end`); the code
/// page is read only when `code_page` is given.
HighRun read_high_run(const char* p, const char* end, const CodePageForms* code_page);

/// True when the ASCII word `needle` (lowercase, not empty) may be in the
/// folded text of a line that holds the run of bytes >= 0x80 [run, run_end)
/// of skeleton `skeleton`, at a place that reaches into the run and begins
/// after every other run before it: the skeleton from up to needle.size() - 1
/// ASCII bytes before the run (not before `begin`, a line end or another byte
/// >= 0x80) to needle.size() - 1 skeleton bytes after it (or the line's end,
/// or `end`) is searched for it. `rare` is a byte of the needle, the rarest
/// best. The text reads as UTF-8, or in the code page of `code_page` when
/// given. `window` is a buffer the caller keeps.
bool run_may_hold(const char* begin, const char* run, const char* run_end, const char* end, std::string_view needle,
                  char rare, const RunSkeleton& skeleton, const CodePageForms* code_page, std::string& window);

}  // namespace korvint::search
