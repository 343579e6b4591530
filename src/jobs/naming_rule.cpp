#include "jobs/naming_rule.h"

namespace korvint::jobs {
namespace {

// The boxes hold UTF-8: a character is a lead byte and as many continuation
// bytes (10xxxxxx) as the lead announces.
std::size_t announced_length(unsigned char lead) {
  if (lead >= 0xF8) return 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  return lead >= 0xC0 ? 2 : 1;
}

// The length in bytes of the character that `text` begins with, 0 for "". A
// byte that leads no character, or one whose sequence is cut short, stands alone.
std::size_t first_character_length(std::string_view text) {
  if (text.empty()) return 0;
  const std::size_t wanted = announced_length(static_cast<unsigned char>(text[0]));
  std::size_t length = 1;
  while (length < wanted && length < text.size() &&
         (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
    ++length;
  }
  return length == wanted ? length : 1;
}

// True when `text` holds at most `most` characters.
bool at_most_characters(std::string_view text, std::size_t most) {
  for (std::size_t count = 0; !text.empty(); ++count) {
    if (count == most) return false;
    text.remove_prefix(first_character_length(text));
  }
  return true;
}

std::string last_part(std::string_view path, char separator) {
  if (!path.empty() && path.back() == separator) path.remove_suffix(1);
  const auto cut = path.rfind(separator);
  std::string name(cut == std::string_view::npos ? path : path.substr(cut + 1));
  return name + ".lst";
}

}  // namespace

std::string derive_name_windows(std::string_view path) {
  // Counted and cut by characters: "Äb\" is short and gives "Ä-disk.lst", never half an "Ä".
  if (at_most_characters(path, 3)) {
    return std::string(path.substr(0, first_character_length(path))) + "-disk.lst";
  }
  return last_part(path, '\\');
}

std::string derive_name_posix(std::string_view path) {
  if (path == "/") return "root-disk.lst";
  return last_part(path, '/');
}

std::string derive_catalogue_name(std::string_view path) {
#ifdef _WIN32
  return derive_name_windows(path);
#else
  return derive_name_posix(path);
#endif
}

}  // namespace korvint::jobs
