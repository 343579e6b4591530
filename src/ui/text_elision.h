#pragma once
// Shortens a text to a width by cutting out its middle: a long folder keeps
// its start (the drive, the first folders) and its end (the folder the file
// is in), which tell it apart from its neighbours.

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>

namespace korvint::ui {

/// Whether a character can start at `c` (not in the middle of a UTF-8
/// sequence or of a UTF-16 surrogate pair).
inline bool starts_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }
inline bool starts_character(wchar_t c) { return c < 0xDC00 || c > 0xDFFF; }

/// `text` when `width_of(text)` <= `width`; else its start and end with an
/// ellipsis between them, as much of both as fits (the end a character longer
/// when they differ), cut only between characters; the ellipsis alone when
/// nothing more fits.
template <typename Char>
std::basic_string<Char> elide_middle(std::basic_string_view<Char> text, int width,
                                     const std::function<int(std::basic_string_view<Char>)>& width_of) {
  if (width_of(text) <= width) return std::basic_string<Char>(text);
  // U+2026 HORIZONTAL ELLIPSIS in the string's own encoding.
  const std::basic_string<Char> ellipsis =
      sizeof(Char) == 1 ? std::basic_string<Char>{Char(0xE2), Char(0x80), Char(0xA6)} : std::basic_string<Char>{Char(0x2026)};
  if (text.size() < 2) return ellipsis;
  std::basic_string<Char> shown;
  auto shortened = [&](std::size_t kept) {
    // `kept` units, split between start and end and moved back to character starts.
    std::size_t head = kept / 2;
    std::size_t tail = kept - head;
    while (head > 0 && !starts_character(text[head])) --head;
    std::size_t from = text.size() - tail;
    while (from < text.size() && !starts_character(text[from])) ++from;
    shown.assign(text.substr(0, head));
    shown += ellipsis;
    shown += text.substr(from);
    return width_of(shown) <= width;
  };
  // The most units kept that fit, found by halving (the width grows with them).
  std::size_t fits = 0;
  std::size_t low = 1;
  std::size_t high = text.size() - 1;
  while (low <= high) {
    const std::size_t middle = low + (high - low) / 2;
    if (shortened(middle)) {
      fits = middle;
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  if (fits == 0) return ellipsis;
  shortened(fits);
  return shown;
}

}  // namespace korvint::ui
