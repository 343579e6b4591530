#include "catalogue/parse_lines.h"

#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace korvint::catalogue {
namespace {

// Reads 1 to `max_digits` decimal digits that end just before `p` (not before
// `low`), moving `p` back over them.
inline bool number_before(const char*& p, const char* low, int max_digits, int& value) {
  int digits = 0;
  int scale = 1;
  value = 0;
  while (p > low && digits < max_digits && p[-1] >= '0' && p[-1] <= '9') {
    --p;
    value += (*p - '0') * scale;
    scale *= 10;
    ++digits;
  }
  return digits > 0 && !(p > low && p[-1] >= '0' && p[-1] <= '9');
}

inline bool byte_before(const char*& p, const char* low, char c) {
  if (p == low || p[-1] != c) return false;
  --p;
  return true;
}

// True when [p, end) holds no TAB, CR, NUL or "/" (no name on any disk holds
// one); `ascii` tells whether it holds no byte >= 0x80 either.
inline bool clean_field(const char* p, const char* end, bool& ascii) {
  unsigned char high = 0;
  bool bad = false;
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i slash = _mm_set1_epi8('/');
  const __m128i zero = _mm_setzero_si128();
  __m128i bad_bytes = zero;
  __m128i all = zero;
  for (; end - p >= 16; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    bad_bytes = _mm_or_si128(bad_bytes, _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, tab), _mm_cmpeq_epi8(v, slash)),
                                                     _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, zero))));
    all = _mm_or_si128(all, v);
  }
  bad = _mm_movemask_epi8(bad_bytes) != 0;
  high = _mm_movemask_epi8(all) != 0 ? 0x80 : 0;
#endif
  for (; p != end; ++p) {
    const char c = *p;
    bad = bad || c == '\t' || c == '\r' || c == '\0' || c == '/';
    high |= static_cast<unsigned char>(c);
  }
  ascii = high < 0x80;
  return !bad;
}

// True for a name that stands for no entry of its own: "." or "..".
inline bool dot_name(std::string_view name) { return name == "." || name == ".."; }

// clean_levels() from `from` on, `at_start` telling whether `from` begins a level.
bool clean_levels_from(std::string_view levels, std::size_t from, bool at_start) {
  for (std::size_t i = from; i < levels.size(); ++i) {
    const char c = levels[i];
    if (c == '\0' || c == '\r' || c == '/') return false;
    if (at_start && c == '\\') return false;  // an empty level
    if (at_start && c == '.') {
      const std::size_t rest = levels.size() - i;
      if (rest == 1 || levels[i + 1] == '\\') return false;                          // "."
      if (levels[i + 1] == '.' && (rest == 2 || levels[i + 2] == '\\')) return false;  // ".."
    }
    at_start = c == '\\';
  }
  return !at_start;
}

// True when `levels` (folder names joined by "\", without the last "\")
// holds no NUL, CR or "/" and every level names a folder below the one before:
// none empty (a path starting with "\" or holding "\\" would leave the root),
// none "." or "..". Folder lines are checked by every search that meets them:
// 16 bytes at a step, the byte by byte check only where a level starts with a
// "." or a "\".
bool clean_levels(std::string_view levels) {
  std::size_t i = 0;
  bool at_start = true;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i slash = _mm_set1_epi8('/');
  const __m128i cut = _mm_set1_epi8('\\');
  const __m128i dot = _mm_set1_epi8('.');
  for (; levels.size() - i >= 16; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(levels.data() + i));
    const __m128i bad = _mm_or_si128(_mm_cmpeq_epi8(v, zero), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, slash)));
    if (_mm_movemask_epi8(bad) != 0) return false;
    const auto cuts = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, cut)));
    const auto dots = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, dot)));
    const unsigned starts = ((cuts << 1) | (at_start ? 1u : 0u)) & 0xFFFFu;
    if ((starts & (cuts | dots)) != 0) return clean_levels_from(levels, 0, true);
    at_start = (cuts >> 15) != 0;
  }
#endif
  return clean_levels_from(levels, i, at_start);
}

}  // namespace

bool parse_entry_fields(std::string_view line, EntryLine& entry) {
  // Read from the end: the three short fields have a fixed shape, so what is
  // left before them is the path.
  if (line.size() < 16 || line.size() > kMaxLineBytes) return false;
  const char* const low = line.data();
  const char* p = low + line.size();
  CalendarTime& t = entry.time;
  if (!number_before(p, low, 2, t.second) || !byte_before(p, low, '.') || !number_before(p, low, 2, t.minute) ||
      !byte_before(p, low, ':') || !number_before(p, low, 2, t.hour) || !byte_before(p, low, '\t') ||
      !number_before(p, low, 2, t.day) || !byte_before(p, low, '.') || !number_before(p, low, 2, t.month) ||
      !byte_before(p, low, '.') || !number_before(p, low, 5, t.year) || !byte_before(p, low, ' ') ||
      !byte_before(p, low, '\t'))
    return false;
  if (!is_catalogue_time(t)) return false;
  const char* const size_end = p;
  while (p > low && p[-1] >= '0' && p[-1] <= '9') --p;
  if (p == size_end || size_end - p > 20) return false;
  const auto size = std::from_chars(p, size_end, entry.size);
  if (size.ec != std::errc() || !byte_before(p, low, '\t') || p == low) return false;
  entry.path = std::string_view(low, static_cast<std::size_t>(p - low));
  entry.is_folder = entry.path.back() == '\\';
  return true;
}

bool finish_entry_line(EntryLine& entry) {
  // The path must hold no TAB, CR or NUL.
  if (!clean_field(entry.path.data(), entry.path.data() + entry.path.size(), entry.ascii)) return false;
  if (entry.is_folder) {
    const std::string_view levels = entry.path.substr(0, entry.path.size() - 1);
    // "\", "a\\" or "..\..\etc\": no folder below the root named.
    if (!clean_levels(levels)) return false;
    const auto cut = levels.rfind('\\');
    entry.name = cut == std::string_view::npos ? levels : levels.substr(cut + 1);
  } else {
    entry.name = entry.path;
    if (dot_name(entry.name)) return false;
  }
  return true;
}

std::optional<EntryLine> parse_entry_line(std::string_view line) {
  EntryLine entry;
  if (!parse_entry_fields(line, entry) || !finish_entry_line(entry)) return std::nullopt;
  return entry;
}

std::optional<std::string_view> folder_path_of_line(std::string_view line) {
  if (line.size() > kMaxLineBytes) return std::nullopt;
  const auto tab = line.find('\t');
  if (tab == std::string_view::npos || tab < 2 || line[tab - 1] != '\\') return std::nullopt;
  const std::string_view path = line.substr(0, tab);
  if (!clean_levels(path.substr(0, path.size() - 1))) return std::nullopt;
  return path;
}

bool is_root_line(std::string_view header) {
  if (header.empty() || header.size() > kMaxLineBytes) return false;
  if (header.back() != '\\' && header.back() != '/') return false;
  return header.find('\t') == std::string_view::npos && header.find('\0') == std::string_view::npos &&
         header.find('\r') == std::string_view::npos;
}

std::optional<std::string_view> root_of_first_line(std::string_view first_line) {
  if (first_line.substr(0, kUtf8Mark.size()) == kUtf8Mark) first_line.remove_prefix(kUtf8Mark.size());
  if (!first_line.empty() && first_line.back() == '\r') first_line.remove_suffix(1);
  if (!is_root_line(first_line)) return std::nullopt;
  return first_line;
}

}  // namespace korvint::catalogue
