#pragma once
// One catalogue opened for searching: its bytes in place (mapped, never
// copied), its root, and the line structure a search needs: chunks that start
// and end at line boundaries, and the folder line that governs any offset.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mapped_file.h"

namespace korvint::search {

/// How a catalogue's names are turned into text.
enum class TextEncoding {
  Ascii,     ///< nothing but ASCII: no decoding at all
  Utf8,      ///< valid UTF-8 holding non-ASCII bytes
  CodePage,  ///< anything else: the legacy code page chosen for the search
};

/// What a pass over the lines of a catalogue (or of one chunk) found.
struct LineCounts {
  std::uint64_t entries = 0;  ///< folder and file lines that parse
  std::uint64_t skipped = 0;  ///< lines that do not
  bool non_ascii = false;     ///< some entry's path holds a byte >= 0x80
  bool valid_utf8 = true;     ///< every entry's path is valid UTF-8

  void add(const LineCounts& other);
};

/// A byte range of a catalogue body: starts at a line start, ends after a line
/// end or at the end of the file.
struct Chunk {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

/// The offset that stands for "no folder line": the root itself.
inline constexpr std::uint64_t kRootFolder = ~std::uint64_t{0};

/// Why a file could not be opened as a catalogue.
enum class OpenProblem { None, Unreadable, NotACatalogue };

class Catalogue {
 public:
  /// Maps the file at `path` and checks that it is a catalogue: its first line
  /// names a root, its second line (if any) is a folder or file line. `name` is
  /// what results show; `from_old` says it is the backup of one being rewritten.
  /// nullptr with `problem` set (and `message` for an unreadable file) otherwise.
  static std::unique_ptr<Catalogue> open(const std::string& path, std::string name, bool from_old,
                                         OpenProblem& problem, std::string& message);

  /// The same over bytes held in memory (tests, fuzzing).
  static std::unique_ptr<Catalogue> from_bytes(std::string bytes, std::string name, OpenProblem& problem);

  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  [[nodiscard]] const std::string& name() const { return name_; }
  [[nodiscard]] const std::string& path() const { return path_; }
  [[nodiscard]] bool from_old() const { return from_old_; }
  [[nodiscard]] std::string_view bytes() const { return bytes_; }
  /// The header line as stored, without its line end.
  [[nodiscard]] std::string_view root() const { return root_; }
  /// True when the root holds no byte >= 0x80.
  [[nodiscard]] bool root_ascii() const { return root_ascii_; }
  /// True for a root starting with "/": folder levels are then joined with "/".
  [[nodiscard]] bool posix_root() const { return !root_.empty() && root_[0] == '/'; }
  /// The offset of the first line after the header.
  [[nodiscard]] std::uint64_t body_begin() const { return body_begin_; }

  /// Copies the `size` bytes at `offset` of bytes() into `out`, by reading the
  /// file where that costs less than touching its mapping.
  void copy(std::uint64_t offset, std::size_t size, char* out) const;

  /// The body split into chunks of about `target_bytes`, each ending at a line end.
  [[nodiscard]] std::vector<Chunk> chunks(std::uint64_t target_bytes) const;

  /// Counts the entries and skipped lines of `chunk` and what its text holds.
  [[nodiscard]] LineCounts count_lines(const Chunk& chunk) const;

  /// The offset of the last folder line that starts in [from, before), both
  /// line starts; nullopt when there is none.
  [[nodiscard]] std::optional<std::uint64_t> last_folder_line(std::uint64_t from, std::uint64_t before) const;

  /// The line that starts at `offset`, without its LF and the CR before it.
  [[nodiscard]] std::string_view line_at(std::uint64_t offset) const;

  /// The exact counts of the whole catalogue, once check_catalogues() made them.
  [[nodiscard]] const std::optional<LineCounts>& counts() const { return counts_; }
  /// Records the counts of the whole catalogue; they decide its encoding for good.
  void set_counts(const LineCounts& counts);

  /// Decides the encoding from what a search saw of the entries' text (for
  /// good when it saw every line): UTF-8 when the text holds non-ASCII bytes
  /// and all of it is valid UTF-8, the code page when it is not.
  void decide_encoding(bool non_ascii, bool valid_utf8, bool saw_every_line);
  /// True once the encoding is decided for good.
  [[nodiscard]] bool encoding_known() const { return encoding_known_; }
  /// How names are decoded.
  [[nodiscard]] TextEncoding encoding() const { return encoding_; }

 private:
  Catalogue() = default;
  // Checks the header and second line; sets root_ and body_begin_.
  bool read_header();

  platform::MappedFile file_;
  std::string memory_;
  std::string_view bytes_;
  std::string path_;
  std::string name_;
  bool from_old_ = false;
  std::string_view root_;
  bool root_ascii_ = true;
  bool root_utf8_ = true;
  std::uint64_t body_begin_ = 0;
  std::optional<LineCounts> counts_;
  TextEncoding encoding_ = TextEncoding::Ascii;
  bool encoding_known_ = false;
};

/// The start of the last folder line (see folder_path_of_line()) that starts in
/// [low, before), both line starts, in text that goes on to `text_end`;
/// nullptr when there is none.
const char* find_last_folder_line(const char* low, const char* before, const char* text_end);

}  // namespace korvint::search
