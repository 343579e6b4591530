#include "search/query.h"

#include <algorithm>
#include <charconv>
#include <tuple>

#include "catalogue/calendar_time.h"
#include "platform/case_folding.h"
#include "search/text_match.h"

namespace korvint::search {

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

// A size as written: "700MB", "1k", "1.5G", "123" (bytes, a whole number).
// The number is `digits` / 10^`decimals`, times `unit`.
struct WrittenSize {
  std::uint64_t digits = 0;
  int decimals = 0;
  std::uint64_t unit = 1;
};

std::optional<WrittenSize> read_size(std::string_view text) {
  WrittenSize size;
  std::size_t i = 0;
  bool seen_digit = false;
  bool seen_point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.' && !seen_point) {
      seen_point = true;
    } else if (c >= '0' && c <= '9') {
      if (size.digits > (~std::uint64_t{0} - 9) / 10 || size.decimals >= 9) return std::nullopt;
      size.digits = size.digits * 10 + static_cast<std::uint64_t>(c - '0');
      size.decimals += seen_point ? 1 : 0;
      seen_digit = true;
    } else {
      break;
    }
  }
  if (!seen_digit) return std::nullopt;
  std::string_view unit = text.substr(i);
  if (!unit.empty()) {
    const auto power = std::string_view("kmgt").find(ascii_lower(unit[0]));
    if (power != std::string_view::npos) {
      size.unit = std::uint64_t{1} << (10 * (power + 1));
      unit.remove_prefix(1);
    }
    if (unit.size() == 1 && ascii_lower(unit[0]) == 'b') unit.remove_prefix(1);
    if (!unit.empty()) return std::nullopt;
  }
  if (size.unit == 1 && size.decimals > 0) return std::nullopt;  // no part of a byte
  return size;
}

// The bytes of (`digits` / 10^`decimals`) * `unit`, rounded up; nullopt above the largest size.
std::optional<std::uint64_t> bytes_of(std::uint64_t digits, int decimals, std::uint64_t unit) {
  __extension__ using Wide = unsigned __int128;
  Wide scale = 1;
  for (int i = 0; i < decimals; ++i) scale *= 10;
  const Wide bytes = (static_cast<Wide>(digits) * unit + scale - 1) / scale;
  if (bytes > ~std::uint64_t{0}) return std::nullopt;
  return static_cast<std::uint64_t>(bytes);
}

// A size's exact bytes: ranges and comparisons take the number as written.
std::optional<std::pair<std::uint64_t, std::uint64_t>> exact_size(std::string_view text) {
  const auto size = read_size(text);
  if (!size) return std::nullopt;
  const auto bytes = bytes_of(size->digits, size->decimals, size->unit);
  if (!bytes) return std::nullopt;
  return std::pair(*bytes, *bytes);
}

// A size alone means about that much, to the precision written: 10KB is 10 KiB
// up to 11 KiB, 1.5G is 1.5 GiB up to 1.6 GiB (the upper end left out); a
// number of bytes is exact.
std::optional<std::pair<std::uint64_t, std::uint64_t>> about_size(std::string_view text) {
  const auto size = read_size(text);
  if (!size) return std::nullopt;
  const auto low = bytes_of(size->digits, size->decimals, size->unit);
  if (!low) return std::nullopt;
  if (size->unit == 1) return std::pair(*low, *low);
  const auto next = bytes_of(size->digits + 1, size->decimals, size->unit);
  return std::pair(*low, next ? *next - 1 : ~std::uint64_t{0});
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
  // A year before the earliest a catalogue holds finds nothing, but is a date.
  if (year < 1 || year > catalogue::kLatestTime.year) return std::nullopt;
  if (count == 1) return std::pair(catalogue::day_start(year, 1, 1), catalogue::day_end(year, 12, 31));
  const int month = parts[1];
  if (month < 1 || month > 12) return std::nullopt;
  const int days = catalogue::days_in_month(year, month);
  if (count == 2) return std::pair(catalogue::day_start(year, month, 1), catalogue::day_end(year, month, days));
  const int day = parts[2];
  if (day < 1 || day > days) return std::nullopt;
  return std::pair(catalogue::day_start(year, month, day), catalogue::day_end(year, month, day));
}

enum class RangeRead { Read, Unreadable, Reversed };

// A range filter: ">A", ">=A", "<A", "<=A", "=A", "A", "A..B", "A..", "..B", where
// `value` reads A and B into the first and last value they stand for. A range
// whose first end lies after its last is Reversed.
template <typename ReadValue>
RangeRead parse_range(std::string_view text, ReadValue value, std::uint64_t& low, std::uint64_t& high) {
  low = 0;
  high = ~std::uint64_t{0};
  if (const auto dots = text.find(".."); dots != std::string_view::npos) {
    const std::string_view first = text.substr(0, dots);
    const std::string_view last = text.substr(dots + 2);
    if (first.empty() && last.empty()) return RangeRead::Unreadable;
    if (!first.empty()) {
      const auto a = value(first);
      if (!a) return RangeRead::Unreadable;
      low = a->first;
    }
    if (!last.empty()) {
      const auto b = value(last);
      if (!b) return RangeRead::Unreadable;
      high = b->second;
    }
    return low > high ? RangeRead::Reversed : RangeRead::Read;
  }
  std::string_view op;
  for (std::string_view candidate : {">=", "<=", ">", "<", "="}) {
    if (text.substr(0, candidate.size()) == candidate) {
      op = candidate;
      break;
    }
  }
  const auto v = value(text.substr(op.size()));
  if (!v) return RangeRead::Unreadable;
  if (op == ">") {
    if (v->second == ~std::uint64_t{0}) return RangeRead::Unreadable;
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
  return RangeRead::Read;
}

// The prefixes a word may start with.
constexpr std::string_view kPrefixes[] = {"path", "size", "date", "ext", "type", "in"};

// The edit distance between two short ASCII words, without case.
std::size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (ascii_lower(a[i - 1]) == ascii_lower(b[j - 1]) ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// A word as typed (outside quotes) that starts with a prefix no operator has:
// "typ:file". A single letter is a drive ("c:"), and a word with a separator
// a path, so neither counts. The message names the prefix and the nearest
// known one; empty when the word has no such prefix.
std::string unknown_prefix(std::string_view typed) {
  std::size_t letters = 0;
  while (letters < typed.size() && ((typed[letters] >= 'a' && typed[letters] <= 'z') ||
                                    (typed[letters] >= 'A' && typed[letters] <= 'Z')))
    ++letters;
  if (letters < 2 || letters >= typed.size() || typed[letters] != ':') return {};
  if (typed.find_first_of("/\\") != std::string_view::npos) return {};
  const std::string_view prefix = typed.substr(0, letters);
  std::string_view nearest;
  std::size_t best = 3;  // no further than two edits
  for (const std::string_view known : kPrefixes) {
    if (equals_caseless(prefix, known)) return {};
    const std::size_t distance = edit_distance(prefix, known);
    if (distance < best && distance < known.size()) {
      best = distance;
      nearest = known;
    }
  }
  std::string message = "unknown prefix " + std::string(prefix) + ": \xE2\x80\x94 ";
  if (!nearest.empty()) return message + "did you mean " + std::string(nearest) + ":?";
  return message + "use path:, size:, date:, ext:, type: or in:, or quote the word";
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
  platform::fold_for_search(text, folded, platform::Marks::Keep);
  return folded;
}

void unify_separators(std::string& text) { std::replace(text.begin(), text.end(), '/', '\\'); }

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
    auto range_error = [&](RangeRead read, const char* examples) {
      if (read == RangeRead::Reversed) {
        const std::string_view value = typed_body.substr(typed_body.find(':') + 1);
        const auto dots = value.find("..");
        error = cannot_read(raw.typed, "the range is reversed (did you mean " +
                                           std::string(typed_body.substr(0, typed_body.find(':') + 1)) +
                                           std::string(value.substr(dots + 2)) + ".." +
                                           std::string(value.substr(0, dots)) + "?)");
      } else {
        error = cannot_read(raw.typed, examples);
      }
    };

    if (is_operator("size:")) {
      term.kind = TermKind::Size;
      const std::string_view value = value_after("size:");
      RangeRead read = RangeRead::Read;
      if (value.find_first_of("<>=") == 0 || value.find("..") != std::string_view::npos) {
        read = parse_range(value, exact_size, term.low, term.high);
      } else if (const auto about = about_size(value)) {
        std::tie(term.low, term.high) = *about;
      } else {
        read = RangeRead::Unreadable;
      }
      if (read != RangeRead::Read) {
        range_error(read, "not a size (like size:10MB, size:>700MB, size:<1k or size:1GB..4GB)");
        return std::nullopt;
      }
    } else if (is_operator("date:")) {
      term.kind = TermKind::Date;
      const RangeRead read = parse_range(value_after("date:"), parse_date, term.low, term.high);
      if (read != RangeRead::Read) {
        range_error(read, "not a date (like date:2019, date:2019-03 or date:2019-03-01..2019-06-30)");
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
      if (std::string problem = unknown_prefix(typed_body); !problem.empty()) {
        error = std::move(problem);
        return std::nullopt;
      }
      if (is_operator("path:")) {
        term.whole_path = true;
        body = value_after("path:");
      }
      if (body.empty()) {
        error = cannot_read(raw.typed, "nothing to search for");
        return std::nullopt;
      }
      // A word that holds a separator can only be found in a path: a full
      // path pasted from "Copy full path" finds its entry.
      term.whole_path = term.whole_path || body.find_first_of("/\\") != std::string_view::npos;
      term.wildcard = !literal && body.find_first_of("*?") != std::string_view::npos;
      std::string with_marks;
      platform::fold_for_search(body, with_marks, platform::Marks::Keep);
      platform::fold_for_search(body, term.needle, platform::Marks::Drop);
      term.marks = term.needle != with_marks;
      if (term.marks) term.needle = std::move(with_marks);
      if (term.whole_path) unify_separators(term.needle);
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
