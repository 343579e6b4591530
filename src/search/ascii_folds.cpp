#include "search/ascii_folds.h"

#include <atomic>
#include <cstring>

#include "platform/case_folding.h"
#include "platform/per_thread.h"
#include "platform/text_decoding.h"
#include "search/text_match.h"
#include "search/utf8.h"

namespace korvint::search {
namespace {

// A character's skeleton as the tables store it: up to three bytes (bits 0 to
// 23), their count (bits 24 and 25), whether one of them is ASCII (bit 26),
// whether it is longer than three (bit 27: it is made anew each time), and
// bit 31 to tell a known entry from an empty one.
constexpr std::uint32_t kKnown = 1u << 31;
constexpr std::uint32_t kHoldsAscii = 1u << 26;
constexpr std::uint32_t kLong = 1u << 27;

std::size_t form_length(std::uint32_t form) { return (form >> 24) & 3; }

// True when a character of this form may be part of a place where an ASCII
// word stands in the folded text: it reads as some ASCII, or as nothing.
bool form_matters(std::uint32_t form) {
  return (form & (kHoldsAscii | kLong)) != 0 || form_length(form) == 0;
}

// Appends the skeleton of `utf8` folded without marks to `out`.
void append_folded_skeleton(std::string_view utf8, std::string& out) {
  thread_local platform::PerThread<std::string> folded_slot;
  std::string& folded = folded_slot.get();
  platform::fold_for_search(utf8, folded, platform::Marks::Drop);
  for (std::size_t i = 0; i < folded.size();) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (c < 0x80) {
      out += ascii_lower(folded[i]);
      ++i;
    } else {
      out += kNotAscii;
      i += utf8_sequence_length(c);
    }
  }
}

std::uint32_t make_form(std::string_view utf8) {
  std::string skeleton;
  append_folded_skeleton(utf8, skeleton);
  std::uint32_t form = kKnown;
  for (const char c : skeleton)
    if (static_cast<unsigned char>(c) < 0x80) form |= kHoldsAscii;
  if (skeleton.size() > 3) return form | kLong;
  form |= static_cast<std::uint32_t>(skeleton.size()) << 24;
  for (std::size_t i = 0; i < skeleton.size(); ++i)
    form |= static_cast<std::uint32_t>(static_cast<unsigned char>(skeleton[i])) << (8 * i);
  return form;
}

// The forms of the Basic Multilingual Plane, each learned when first met, so
// only the pages of the scripts a search meets are ever touched.
std::atomic<std::uint32_t> g_bmp_forms[0x10000];

// The form of the character `point`, written `utf8`.
std::uint32_t form_of(char32_t point, std::string_view utf8) {
  if (point < 0x10000) {
    std::atomic<std::uint32_t>& known = g_bmp_forms[point];
    std::uint32_t form = known.load(std::memory_order_relaxed);
    if (form == 0) {
      form = make_form(utf8);
      known.store(form, std::memory_order_relaxed);
    }
    return form;
  }
  // Above it (emoji, historic scripts): a few recent ones per thread.
  struct Recent {
    char32_t point = 0;
    std::uint32_t form = 0;
  };
  thread_local Recent recent[64];
  Recent& slot = recent[point % 64];
  if (slot.point != point || slot.form == 0) slot = Recent{point, make_form(utf8)};
  return slot.form;
}

// Appends the character `utf8` of `form` to the skeleton `out`.
void append_form(std::uint32_t form, std::string_view utf8, std::string& out) {
  if ((form & kLong) != 0) {
    append_folded_skeleton(utf8, out);
    return;
  }
  for (std::size_t i = 0; i < form_length(form); ++i) out += static_cast<char>((form >> (8 * i)) & 0xFF);
}

// Appends the skeleton of the character that starts at `p` (before `end`,
// UTF-8) to `out`; returns the position after it.
const char* append_character(const char* p, const char* end, std::string& out) {
  if (static_cast<unsigned char>(*p) < 0x80) {
    out += ascii_lower(*p);
    return p + 1;
  }
  char32_t point = 0;
  const std::size_t length = decode_utf8(p, end, point);
  if (point == 0xFFFD && length == 1) {
    out += kNotAscii;
  } else {
    const std::string_view utf8(p, length);
    append_form(form_of(point, utf8), utf8, out);
  }
  return p + length;
}

}  // namespace

void append_skeleton(std::string_view text, std::string& out) {
  const char* p = text.data();
  const char* const end = p + text.size();
  while (p < end) p = append_character(p, end, out);
}

CodePageForms code_page_forms(const std::string& code_page) {
  CodePageForms table{};
  platform::Status error;
  const auto decoder = platform::make_code_page_decoder(code_page, error);
  if (!decoder) return table;
  std::string decoded;
  for (unsigned byte = 0x80; byte < 0x100; ++byte) {
    const char raw = static_cast<char>(byte);
    decoder->decode(std::string_view(&raw, 1), decoded);
    if (decoded.empty() || decoded == "\xEF\xBF\xBD") continue;
    const std::uint32_t form = make_form(decoded);
    table[byte] = (form & kLong) != 0 ? 0 : form;
  }
  return table;
}

namespace {

// Adds a character of `form` (written `utf8` when it is long) to `skeleton`.
void add_form(std::uint32_t form, RunSkeleton& skeleton) {
  const std::size_t length = form_length(form);
  if ((form & kLong) != 0 || skeleton.length + length > RunSkeleton::kCapacity) {
    skeleton.whole = false;
    return;
  }
  for (std::size_t i = 0; i < length; ++i) skeleton.bytes[skeleton.length++] = static_cast<char>((form >> (8 * i)) & 0xFF);
}

// The general case of run_may_hold(): the window made character by character.
bool window_may_hold(const char* left, const char* run_end, const char* end, std::string_view needle,
                     const CodePageForms* code_page, std::string& window) {
  const std::size_t reach = needle.size() - 1;
  window.clear();
  const char* p = left;
  std::size_t after = 0;  // skeleton bytes from the characters after the run
  while (p < end && *p != '\n' && (p < run_end || after < reach)) {
    const std::size_t before = window.size();
    const bool past = p >= run_end;
    const auto c = static_cast<unsigned char>(*p);
    if (c >= 0x80 && code_page != nullptr) {
      const std::uint32_t form = (*code_page)[c];
      if (form == 0) return true;  // a byte that reads only with the next one
      append_form(form, {}, window);
      ++p;
    } else {
      p = append_character(p, end, window);
    }
    if (past) after += window.size() - before;
  }
  return window.find(needle) != std::string::npos;
}

}  // namespace

HighRun read_high_run(const char* p, const char* end, const CodePageForms* code_page) {
  HighRun run;
  while (p < end && static_cast<unsigned char>(*p) >= 0x80) {
    char32_t point = 0;
    const std::size_t length = decode_utf8(p, end, point);
    if (point == 0xFFFD && length == 1) {
      run.invalid_utf8 = true;
      run.utf8.whole = false;
    } else {
      const std::uint32_t form = form_of(point, std::string_view(p, length));
      run.utf8_may_matter = run.utf8_may_matter || form_matters(form);
      add_form(form, run.utf8);
    }
    if (code_page != nullptr) {
      for (std::size_t i = 0; i < length; ++i) {
        const std::uint32_t form = (*code_page)[static_cast<unsigned char>(p[i])];
        run.code_page_may_matter = run.code_page_may_matter || form_matters(form);
        if (form == 0) run.code_page.whole = false;
        add_form(form, run.code_page);
      }
    }
    p += length;
  }
  run.end = p;
  return run;
}

bool run_may_hold(const char* begin, const char* run, const char* run_end, const char* end, std::string_view needle,
                  char rare, const RunSkeleton& skeleton, const CodePageForms* code_page, std::string& window) {
  if (needle.empty()) return true;
  const std::size_t reach = needle.size() - 1;
  const char* left = run;
  while (left > begin && static_cast<std::size_t>(run - left) < reach && left[-1] != '\n' &&
         static_cast<unsigned char>(left[-1]) < 0x80)
    --left;
  // Mostly the run stands alone: the ASCII before it, its skeleton and the
  // ASCII after it, put together without reading a character again.
  const char* right = run_end;
  while (right < end && static_cast<std::size_t>(right - run_end) < reach && *right != '\n' &&
         static_cast<unsigned char>(*right) < 0x80)
    ++right;
  const bool alone = right == end || static_cast<std::size_t>(right - run_end) == reach || *right == '\n';
  constexpr std::size_t kShort = 64;
  if (!skeleton.whole || !alone || reach > kShort) return window_may_hold(left, run_end, end, needle, code_page, window);
  char text[2 * kShort + RunSkeleton::kCapacity];
  std::size_t length = 0;
  for (const char* p = left; p < run; ++p) text[length++] = ascii_lower(*p);
  for (std::size_t i = 0; i < skeleton.length; ++i) text[length++] = skeleton.bytes[i];
  for (const char* p = run_end; p < right; ++p) text[length++] = ascii_lower(*p);
  // The needle's rarest byte first: without it the needle is surely not there.
  const bool holds_rare = std::memchr(text, rare, length) != nullptr;
  return holds_rare && std::string_view(text, length).find(needle) != std::string_view::npos;
}

}  // namespace korvint::search
