#pragma once
// One catalogue opened for searching: its bytes read from the file where they
// are needed (never mapped), its root, and the line structure a search needs:
// chunks that start and end at line boundaries, and the folder line that
// governs any offset. A catalogue is a file another program may change at any
// moment: every read checks that the file is still the version opened, and a
// catalogue that is not says so through changed(), never by guessing.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/read_only_file.h"

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
  std::uint64_t files = 0;    ///< the entries that are files
  std::uint64_t folders = 0;  ///< the entries that are folders
  std::uint64_t bytes = 0;    ///< the sizes of the files added up
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
enum class OpenProblem { None, Unreadable, NotAFile, NotACatalogue };

/// Which file a catalogue is read from, and how it was chosen.
struct CatalogueSource {
  std::string path;       ///< the file read
  std::string file_name;  ///< its name in its folder, as notes name it
  std::string name;       ///< what results show: the catalogue's name without ".lst"
  bool from_old = false;  ///< "NAME.lst.old", the last complete version of one being written
  bool growing = false;   ///< a scan writes the file right now: it may grow, and what stands is searched
};

class Catalogue {
 public:
  /// Opens the file of `source` and checks that it is a catalogue: its first
  /// line (after a UTF-8 byte-order mark) names a root, its second line (if
  /// any) is a folder or file line. nullptr with `problem` set (and `message`
  /// for a file that cannot be read) otherwise.
  static std::unique_ptr<Catalogue> open(CatalogueSource source, OpenProblem& problem, std::string& message);

  /// The same over bytes held in memory (tests, fuzzing).
  static std::unique_ptr<Catalogue> from_bytes(std::string bytes, std::string name, OpenProblem& problem);

  /// The file of this catalogue opened afresh, as it stands now.
  [[nodiscard]] std::unique_ptr<Catalogue> reopen(OpenProblem& problem, std::string& message) const;

  Catalogue(const Catalogue&) = delete;
  Catalogue& operator=(const Catalogue&) = delete;

  [[nodiscard]] const std::string& name() const { return source_.name; }
  [[nodiscard]] const std::string& path() const { return source_.path; }
  [[nodiscard]] const CatalogueSource& source() const { return source_; }
  [[nodiscard]] bool from_old() const { return source_.from_old; }
  /// The identity of the file when it was opened (all zero for one in memory).
  [[nodiscard]] const platform::FileVersion& identity() const { return identity_; }
  /// The bytes searched: the file's size when it was opened.
  [[nodiscard]] std::uint64_t size() const { return size_; }
  /// The header line as stored, without its line end.
  [[nodiscard]] std::string_view root() const { return root_; }
  /// True when the root holds no byte >= 0x80.
  [[nodiscard]] bool root_ascii() const { return root_ascii_; }
  /// True for a root starting with "/": folder levels are then joined with "/".
  [[nodiscard]] bool posix_root() const { return !root_.empty() && root_[0] == '/'; }
  /// The offset of the first line after the header.
  [[nodiscard]] std::uint64_t body_begin() const { return body_begin_; }

  /// True once a read found the file no longer the version opened (shrunk,
  /// rewritten, replaced or gone); from then on every read fails.
  [[nodiscard]] bool changed() const { return changed_.load(std::memory_order_relaxed); }

  /// Copies the `size` bytes at `offset` (inside size()) into `out`; false,
  /// and changed() from then on, when the file no longer holds them as opened.
  /// Without `check_version` only a file cut short is seen at once: a reader
  /// of many blocks asks still_as_opened() when it is done instead.
  bool read(std::uint64_t offset, std::size_t size, char* out, bool check_version = true) const;

  /// True when the file is still the version opened; changed() otherwise.
  bool still_as_opened() const;

  /// The line that starts at `offset` into `out`, without its LF and the CR
  /// before it; false when it cannot be read (see read()). Lines read one at a
  /// time come from a small cache of blocks each thread keeps.
  bool line_at(std::uint64_t offset, std::string& out) const;

  /// The body split into chunks of about `target_bytes`, each ending at a line end.
  [[nodiscard]] std::vector<Chunk> chunks(std::uint64_t target_bytes) const;

  /// Counts the entries and skipped lines of `chunk` and what its text holds.
  [[nodiscard]] LineCounts count_lines(const Chunk& chunk) const;
  /// What the text of the entries of `chunk` holds (non_ascii, valid_utf8;
  /// no counts), reading only the lines with a byte >= 0x80: a fraction of
  /// count_lines()'s time. Stops at the first entry that is not UTF-8.
  [[nodiscard]] LineCounts text_of_entries(const Chunk& chunk) const;

  /// The offset of the last folder line that starts in [from, before), both
  /// line starts; nullopt when there is none (or it cannot be read).
  [[nodiscard]] std::optional<std::uint64_t> last_folder_line(std::uint64_t from, std::uint64_t before) const;

  /// The exact counts of the whole catalogue, once check_catalogues() made them.
  [[nodiscard]] const std::optional<LineCounts>& counts() const { return counts_; }
  /// Records the counts of the whole catalogue; they decide its encoding for good.
  void set_counts(const LineCounts& counts);

  /// Decides the encoding from what a search saw of the entries' text (for
  /// good when it saw every line): UTF-8 when the text holds non-ASCII bytes
  /// and all of it is valid UTF-8, the code page when it is not.
  void decide_encoding(bool non_ascii, bool valid_utf8, bool saw_every_line);
  /// True once the encoding is decided for good.
  [[nodiscard]] bool encoding_known() const { return encoding_known_.load(std::memory_order_acquire); }
  /// How names are decoded.
  [[nodiscard]] TextEncoding encoding() const { return encoding_.load(std::memory_order_acquire); }

  /// Keeps the file open while it lives, so the reads of one search open it
  /// once. Without one, a file that should not stay open (Windows) is opened
  /// for each read and closed after it.
  class Hold {
   public:
    explicit Hold(const Catalogue& catalogue);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    const Catalogue& catalogue_;
  };

 private:
  friend class FileUse;
  Catalogue();
  // Reads and checks the header and second line; sets root_ and body_begin_.
  bool read_header();
  // The bytes at `offset` up to and with the first LF, at most `limit` of
  // them (fewer where the file ends); nullopt when they cannot be read.
  [[nodiscard]] std::optional<std::string> line_bytes(std::uint64_t offset, std::size_t limit) const;
  // True when `now` is still the version opened.
  [[nodiscard]] bool same_version(const std::optional<platform::FileVersion>& now) const;
  void mark_changed() const { changed_.store(true, std::memory_order_relaxed); }

  CatalogueSource source_;
  std::string memory_;  // the bytes of a catalogue held in memory
  bool in_memory_ = false;
  std::uint64_t serial_ = 0;  // tells this catalogue's blocks from others' in the line cache
  platform::FileVersion identity_;
  std::uint64_t size_ = 0;
  // The open file: kept where that costs nothing, else only while held or read.
  mutable std::mutex file_mutex_;
  mutable platform::ReadOnlyFile file_;
  mutable int users_ = 0;
  mutable bool keep_open_ = false;
  mutable std::atomic<bool> changed_{false};

  std::string root_;
  bool root_ascii_ = true;
  bool root_utf8_ = true;
  std::uint64_t body_begin_ = 0;
  std::optional<LineCounts> counts_;
  // Decided by one thread while others may be searching the catalogue.
  std::atomic<TextEncoding> encoding_{TextEncoding::Ascii};
  std::atomic<bool> encoding_known_{false};
};

/// The start of the last folder line (see catalogue::folder_path_of_line()) that starts in
/// [low, before), both line starts, in text that goes on to `text_end`;
/// nullptr when there is none.
const char* find_last_folder_line(const char* low, const char* before, const char* text_end);

}  // namespace korvint::search
