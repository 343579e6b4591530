#pragma once
// The prefilter: finds, over a whole span of catalogue text, the next place
// where a line may match, so that lines that cannot match cost no work at all.

#include <cstddef>
#include <string>
#include <string_view>

namespace korvint::search {

class CandidateFinder {
 public:
  /// A finder that stops at every position: every line is a candidate.
  CandidateFinder() = default;

  /// A finder for lines whose name may contain the case-folded `needle` (ASCII
  /// letters lowercase). An ASCII needle is found by its two rarest bytes at
  /// their fixed distance, without case; a needle with other bytes can only
  /// match a line that holds non-ASCII bytes. Either way every byte >= 0x80 is
  /// a candidate too, because folding a non-ASCII name may give ASCII ("é"
  /// reads "e" to a word without accents, the Kelvin sign "k"): the caller may
  /// pass over a run of them that cannot give the needle (see ascii_needle()). With `stop` given, every `stop` byte is a
  /// candidate as well; an empty needle then finds only those and high bytes.
  explicit CandidateFinder(std::string_view needle, char stop = '\0');

  /// A finder that stops at every byte >= 0x80 and nowhere else.
  static CandidateFinder high_bytes() { return CandidateFinder("\x80"); }

  /// The first position in [from, end) that may belong to a matching line, or `end`.
  [[nodiscard]] const char* find(const char* from, const char* end) const;

  /// True when every line is a candidate (no prefilter).
  [[nodiscard]] bool every_line() const { return mode_ == Mode::EveryLine; }

  /// True when the needle is ASCII: a high byte is then a candidate only for
  /// what folding may make of it.
  [[nodiscard]] bool ascii_needle() const { return ascii_; }

  /// The needle it was made for, and its rarest byte (lowercase).
  [[nodiscard]] const std::string& needle() const { return needle_; }
  [[nodiscard]] char rare_byte() const { return static_cast<char>(byte1_); }

  /// How rare the needle's rarest byte is in catalogue text: lower is rarer.
  /// Used to choose the most selective of several needles.
  static int rarity(std::string_view needle);

 private:
  enum class Mode { EveryLine, Scan };

  Mode mode_ = Mode::EveryLine;
  std::string needle_;
  bool ascii_ = false;
  unsigned char stop_ = 0;   // 0: no stop byte
  std::size_t offset1_ = 0;  // the two rarest bytes: position in the needle,
  std::size_t offset2_ = 0;  // the byte (lowercase) and the OR mask that
  unsigned char byte1_ = 0;  // makes a letter lowercase (0 for other bytes);
  unsigned char byte2_ = 0;  // 0x80 for "no pair": high bytes stop anyway
  unsigned char mask1_ = 0;
  unsigned char mask2_ = 0;
};

}  // namespace korvint::search
