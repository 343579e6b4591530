#include "search/query.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/case_folding.h"
#include "search/catalogue_line.h"
#include "search/text_match.h"

namespace korvint::search {

const char* const kQueryHelp =
    "Words separated by spaces must all match, in any case, anywhere in the name:\n"
    "  holiday 2019           names holding both \"holiday\" and \"2019\"\n"
    "  *.mp3   report-??.pdf  with * or ? the word must match the whole name\n"
    "  \"two words\"            a phrase with its space (* and ? taken as they are)\n"
    "  -word                  leaves out what matches word (also -ext:tmp, -path:cache)\n"
    "  path:word              matches the full path instead of the name\n"
    "  size:>700MB  size:<1k  size:1GB..4GB\n"
    "                         files by size (K, M, G, T are powers of 1024; B optional)\n"
    "  date:2019  date:2019-03  date:2019-03-01..2019-06-30  date:>2020\n"
    "                         by the entry's date in the catalogue\n"
    "  ext:mp3;flac           files with one of these extensions\n"
    "  type:file  type:folder\n"
    "  in:NAME                only catalogues whose name holds NAME (in:a;b for several)\n";

namespace {

bool starts_with_caseless(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equals_caseless(text.substr(0, prefix.size()), prefix);
}

std::string quoted(std::string_view word) { return "\"" + std::string(word) + "\""; }

// One word as typed, split off the query text.
struct RawWord {
  std::string_view typed;  // the word with its quotes
  std::string text;        // the word without them
  bool quoted = false;     // some part stood in quotes: taken literally
  bool closed = true;      // every quote was closed
};

std::vector<RawWord> split_words(std::string_view text) {
  std::vector<RawWord> words;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ' || text[i] == '\t') {
      ++i;
      continue;
    }
    RawWord word;
    const std::size_t start = i;
    bool in_quotes = false;
    while (i < text.size() && (in_quotes || (text[i] != ' ' && text[i] != '\t'))) {
      if (text[i] == '"') {
        in_quotes = !in_quotes;
        word.quoted = true;
      } else {
        word.text += text[i];
      }
      ++i;
    }
    word.closed = !in_quotes;
    word.typed = text.substr(start, i - start);
    words.push_back(std::move(word));
  }
  return words;
}

// "700MB", "1k", "1.5G", "123": bytes; nullopt when it is none of these.
std::optional<std::uint64_t> parse_size(std::string_view text) {
  std::size_t digits = 0;
  while (digits < text.size() && ((text[digits] >= '0' && text[digits] <= '9') || text[digits] == '.')) ++digits;
  if (digits == 0) return std::nullopt;
  double number = 0;
  const auto read = std::from_chars(text.data(), text.data() + digits, number, std::chars_format::fixed);
  if (read.ec != std::errc() || read.ptr != text.data() + digits) return std::nullopt;
  std::string_view unit = text.substr(digits);
  double scale = 1;
  if (!unit.empty()) {
    const char u = ascii_lower(unit[0]);
    const std::string_view units = "kmgt";
    const auto power = units.find(u);
    if (power != std::string_view::npos) {
      scale = std::pow(1024.0, static_cast<double>(power + 1));
      unit.remove_prefix(1);
    }
    if (unit.size() == 1 && ascii_lower(unit[0]) == 'b') unit.remove_prefix(1);
    if (!unit.empty()) return std::nullopt;
  }
  const double bytes = std::floor(number * scale + 0.5);
  if (!(bytes < 18446744073709551616.0)) return std::nullopt;
  return static_cast<std::uint64_t>(bytes);
}

// "2019", "2019-03", "2019-03-01": the first and last instant of that period.
std::optional<std::pair<std::uint64_t, std::uint64_t>> parse_date(std::string_view text) {
  int parts[3] = {0, 0, 0};
  int count = 0;
  const char* p = text.data();
  const char* const end = p + text.size();
  while (count < 3) {
    const auto read = std::from_chars(p, end, parts[count]);
    if (read.ec != std::errc() || read.ptr == p || *p == '-' || *p == '+') return std::nullopt;
    ++count;
    p = read.ptr;
    if (p == end) break;
    if (*p != '-') return std::nullopt;
    ++p;
  }
  if (p != end) return std::nullopt;
  const int year = parts[0];
  if (year < 1 || year > 30827) return std::nullopt;
  if (count == 1) return std::pair(day_start(year, 1, 1), day_end(year, 12, 31));
  const int month = parts[1];
  if (month < 1 || month > 12) return std::nullopt;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  const int days = month == 2 && !leap ? 28 : kDays[month - 1];
  if (count == 2) return std::pair(day_start(year, month, 1), day_end(year, month, days));
  const int day = parts[2];
  if (day < 1 || day > days) return std::nullopt;
  return std::pair(day_start(year, month, day), day_end(year, month, day));
}

// A range filter: ">A", ">=A", "<A", "<=A", "=A", "A", "A..B", "A..", "..B", where
// `value` reads A and B into the first and last value they stand for.
template <typename ReadValue>
bool parse_range(std::string_view text, ReadValue value, std::uint64_t& low, std::uint64_t& high) {
  low = 0;
  high = ~std::uint64_t{0};
  if (const auto dots = text.find(".."); dots != std::string_view::npos) {
    const std::string_view first = text.substr(0, dots);
    const std::string_view last = text.substr(dots + 2);
    if (first.empty() && last.empty()) return false;
    if (!first.empty()) {
      const auto a = value(first);
      if (!a) return false;
      low = a->first;
    }
    if (!last.empty()) {
      const auto b = value(last);
      if (!b) return false;
      high = b->second;
    }
    return true;
  }
  std::string_view op;
  for (std::string_view candidate : {">=", "<=", ">", "<", "="}) {
    if (text.substr(0, candidate.size()) == candidate) {
      op = candidate;
      break;
    }
  }
  const auto v = value(text.substr(op.size()));
  if (!v) return false;
  if (op == ">") {
    if (v->second == ~std::uint64_t{0}) return false;
    low = v->second + 1;
  } else if (op == ">=") {
    low = v->first;
  } else if (op == "<") {
    if (v->first == 0) {  // nothing lies below zero
      low = 1;
      high = 0;
    } else {
      high = v->first - 1;
    }
  } else if (op == "<=") {
    high = v->second;
  } else {
    low = v->first;
    high = v->second;
  }
  return true;
}

std::vector<std::string> split_alternatives(std::string_view text, bool strip_dot) {
  std::vector<std::string> result;
  std::size_t start = 0;
  while (start <= text.size()) {
    auto cut = text.find_first_of(";,", start);
    if (cut == std::string_view::npos) cut = text.size();
    std::string_view part = text.substr(start, cut - start);
    if (strip_dot && !part.empty() && part[0] == '.') part.remove_prefix(1);
    if (!part.empty()) result.push_back(fold_for_matching(part));
    start = cut + 1;
  }
  return result;
}

std::string cannot_read(std::string_view word, std::string_view why) {
  return "cannot read " + quoted(word) + ": " + std::string(why);
}

}  // namespace

std::string fold_for_matching(std::string_view text) {
  std::string folded;
  platform::fold_case(text, folded);
  for (char& c : folded) c = ascii_lower(c);
  return folded;
}

std::optional<Query> parse_query(std::string_view text, std::string& error) {
  Query query;
  for (RawWord& raw : split_words(text)) {
    if (!raw.closed) {
      error = cannot_read(raw.typed, "the quote is not closed");
      return std::nullopt;
    }
    Term term;
    term.word = std::string(raw.typed);
    std::string_view body = raw.text;
    // A leading "-" outside quotes excludes; a "-" alone is just a character.
    if (raw.typed.size() > 1 && raw.typed[0] == '-') {
      term.negated = true;
      body.remove_prefix(1);
    }
    const bool literal = raw.quoted;
    auto value_after = [&](std::string_view prefix) { return body.substr(prefix.size()); };
    // Operators are recognised only outside quotes: "size:1" in quotes is text.
    const std::string_view typed_body = term.negated ? raw.typed.substr(1) : raw.typed;
    auto is_operator = [&](std::string_view prefix) { return starts_with_caseless(typed_body, prefix); };

    if (is_operator("size:")) {
      term.kind = TermKind::Size;
      auto read = [](std::string_view v) -> std::optional<std::pair<std::uint64_t, std::uint64_t>> {
        const auto size = parse_size(v);
        if (!size) return std::nullopt;
        return std::pair(*size, *size);
      };
      if (!parse_range(value_after("size:"), read, term.low, term.high)) {
        error = cannot_read(raw.typed, "not a size (like size:>700MB, size:<1k or size:1GB..4GB)");
        return std::nullopt;
      }
    } else if (is_operator("date:")) {
      term.kind = TermKind::Date;
      if (!parse_range(value_after("date:"), parse_date, term.low, term.high)) {
        error = cannot_read(raw.typed, "not a date (like date:2019, date:2019-03 or date:2019-03-01..2019-06-30)");
        return std::nullopt;
      }
    } else if (is_operator("ext:")) {
      term.kind = TermKind::Extension;
      term.alternatives = split_alternatives(value_after("ext:"), true);
      if (term.alternatives.empty()) {
        error = cannot_read(raw.typed, "no extension given (like ext:mp3;flac)");
        return std::nullopt;
      }
    } else if (is_operator("type:")) {
      term.kind = TermKind::Type;
      const std::string_view type = value_after("type:");
      if (equals_caseless(type, "folder")) {
        term.folders = true;
      } else if (!equals_caseless(type, "file")) {
        error = cannot_read(raw.typed, "the type is file or folder");
        return std::nullopt;
      }
    } else if (is_operator("in:")) {
      term.kind = TermKind::Catalogue;
      term.alternatives = split_alternatives(value_after("in:"), false);
      if (term.alternatives.empty()) {
        error = cannot_read(raw.typed, "no catalogue name given");
        return std::nullopt;
      }
    } else {
      term.kind = TermKind::Text;
      if (is_operator("path:")) {
        term.whole_path = true;
        body = value_after("path:");
      }
      if (body.empty()) {
        error = cannot_read(raw.typed, "nothing to search for");
        return std::nullopt;
      }
      term.wildcard = !literal && body.find_first_of("*?") != std::string_view::npos;
      term.needle = fold_for_matching(body);
    }
    query.terms.push_back(std::move(term));
  }
  if (query.terms.empty()) {
    error = "the query is empty";
    return std::nullopt;
  }
  return query;
}

}  // namespace korvint::search
