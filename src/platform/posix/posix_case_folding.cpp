// Full Unicode case folding through utf8proc, composed to NFC, without a
// memory allocation per call once the thread's buffer has grown.

#include <utf8proc.h>

#include <vector>

#include "platform/ascii_case.h"
#include "platform/case_folding.h"
#include "platform/per_thread.h"

namespace korvint::platform {

void fold_for_search(std::string_view text, std::string& out, Marks marks) {
  if (lowercase_if_ascii(text, out)) return;  // nothing composes either
  // Decomposition comes with composition; STRIPMARK leaves out every
  // character of the categories Mn, Mc and Me on the way.
  const auto options = static_cast<utf8proc_option_t>(UTF8PROC_CASEFOLD | UTF8PROC_COMPOSE | UTF8PROC_STABLE |
                                                      (marks == Marks::Drop ? UTF8PROC_STRIPMARK : 0));
  thread_local platform::PerThread<std::vector<utf8proc_int32_t>> points_slot;
  std::vector<utf8proc_int32_t>& points = points_slot.get();
  points.clear();
  const auto* bytes = reinterpret_cast<const utf8proc_uint8_t*>(text.data());
  utf8proc_ssize_t left = static_cast<utf8proc_ssize_t>(text.size());
  int boundclass = UTF8PROC_BOUNDCLASS_START;
  while (left > 0) {
    utf8proc_int32_t point = 0;
    utf8proc_ssize_t length = utf8proc_iterate(bytes, left, &point);
    if (length <= 0) {  // a malformed byte stands for itself as U+FFFD
      point = 0xFFFD;
      length = 1;
    }
    bytes += length;
    left -= length;
    if (point < 0x80) {  // ASCII folds to lowercase; composition comes after
      points.push_back(point >= 'A' && point <= 'Z' ? point + 32 : point);
      continue;
    }
    // No code point folds and decomposes into more than a handful of others.
    utf8proc_int32_t folded[32];
    const utf8proc_ssize_t got = utf8proc_decompose_char(point, folded, 32, options, &boundclass);
    if (got < 0 || got > 32) {
      points.push_back(0xFFFD);
    } else {
      points.insert(points.end(), folded, folded + got);
    }
  }
  const utf8proc_ssize_t count =
      utf8proc_normalize_utf32(points.data(), static_cast<utf8proc_ssize_t>(points.size()), options);
  out.clear();
  if (count < 0) return;
  out.reserve(static_cast<std::size_t>(count) * 2);
  utf8proc_uint8_t encoded[4];
  for (utf8proc_ssize_t i = 0; i < count; ++i) {
    const utf8proc_ssize_t length = utf8proc_encode_char(points[static_cast<std::size_t>(i)], encoded);
    out.append(reinterpret_cast<const char*>(encoded), static_cast<std::size_t>(length));
  }
}

void fold_case(std::string_view text, std::string& out) { fold_for_search(text, out, Marks::Keep); }

SearchFolding search_folding() {
  return {"utf8proc", true, std::string("utf8proc ") + utf8proc_version() + ", Unicode " + utf8proc_unicode_version()};
}

}  // namespace korvint::platform
