#include "search/ascii_folds.h"

#include <atomic>

#include "platform/case_folding.h"
#include "platform/text_decoding.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

// True when folding `text` gives text that holds ASCII, or nothing at all.
bool fold_gives_ascii(std::string_view text) {
  std::string folded;
  platform::fold_case(text, folded);
  if (folded.empty()) return true;
  for (const char c : folded)
    if (static_cast<unsigned char>(c) < 0x80) return true;
  return false;
}

// For each character of the Basic Multilingual Plane: 0 not known yet, 1 its
// folded form is all non-ASCII, 2 it holds ASCII. Zero-initialised, so only the
// pages of the scripts a search meets are ever touched.
std::atomic<unsigned char> g_bmp_folds[0x10000];

}  // namespace

bool folds_into_ascii(char32_t point, std::string_view utf8) {
  if (point >= 0x10000) return true;
  std::atomic<unsigned char>& known = g_bmp_folds[point];
  unsigned char state = known.load(std::memory_order_relaxed);
  if (state == 0) {
    state = fold_gives_ascii(utf8) ? 2 : 1;
    known.store(state, std::memory_order_relaxed);
  }
  return state == 2;
}

CodePageFolds code_page_folds(const std::string& code_page) {
  CodePageFolds table{};
  platform::Status error;
  const auto decoder = platform::make_code_page_decoder(code_page, error);
  std::string decoded;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    if (!decoder) {
      table[byte] = 1;
      continue;
    }
    const char raw = static_cast<char>(byte);
    decoder->decode(std::string_view(&raw, 1), decoded);
    table[byte] = decoded.empty() || decoded == "\xEF\xBF\xBD" || fold_gives_ascii(decoded) ? 1 : 0;
  }
  return table;
}

HighRun read_high_run(const char* p, const char* end, const CodePageFolds* code_page) {
  HighRun run;
  while (p < end && static_cast<unsigned char>(*p) >= 0x80) {
    char32_t point = 0;
    const std::size_t length = decode_utf8(p, end, point);
    if (point == 0xFFFD && length == 1) {
      run.invalid_utf8 = true;
    } else if (!run.utf8_folds && folds_into_ascii(point, std::string_view(p, length))) {
      run.utf8_folds = true;
    }
    if (code_page != nullptr)
      for (std::size_t i = 0; i < length; ++i)
        if ((*code_page)[static_cast<unsigned char>(p[i])] != 0) run.code_page_folds = true;
    p += length;
  }
  run.end = p;
  return run;
}

}  // namespace korvint::search
