#pragma once
// The comparison's key of each hit made from the text its chunk's search
// holds, so neither side is read a second time. Internal to the comparison;
// defined here, inline, for it runs on every hit of both sides.

#include <cstdint>
#include <string>
#include <string_view>

#include "catalogue/parse_lines.h"
#include "search/catalogue.h"
#include "search/compare_keys.h"
#include "search/compare_runs.h"
#include "search/result_set.h"
#include "search/utf8.h"

namespace korvint::search::compare_detail {

// Makes the key of each hit a search of one chunk finds, from the text the
// search holds, as read_key() makes it from the catalogue: a folder's key
// once for the files after it, the hashes only when asked for.
class KeyMaker {
 public:
  KeyMaker(const Catalogue& catalogue, std::string_view prefix, bool ignore_case, const std::string& code_page)
      : catalogue_(catalogue), prefix_(prefix), ignore_case_(ignore_case), reader_(code_page) {}

  // What the entry of `hit` is read as: the catalogue's encoding once its
  // text stands; while it waits for the encoding, what its bytes allow
  // (valid UTF-8, else the code page), `assumed` set to the mark a record
  // of it carries.
  TextEncoding encoding_for(const Hit& hit, const catalogue::EntryLine& entry, std::string_view folder, bool stands,
                            std::uint64_t& assumed) {
    assumed = 0;
    if (stands) return catalogue_.encoding();
    if (!hit.is_folder() && hit.folder != valid_folder_line_) {
      valid_folder_line_ = hit.folder;
      valid_folder_ = is_valid_utf8(folder);
    }
    const bool utf8 = is_valid_utf8(entry.path) && (hit.is_folder() || valid_folder_);
    assumed = utf8 ? kAssumedUtf8 : kAssumedCodePage;
    return utf8 ? TextEncoding::Utf8 : TextEncoding::CodePage;
  }

  // The whole key of `hit` into key(), false when it lies outside the compared
  // folder or is that folder (`below` then says whether it lies inside).
  bool make(const Hit& hit, const catalogue::EntryLine& entry, std::string_view folder, TextEncoding encoding,
            bool& below) {
    below = false;
    std::uint64_t folder_part_hash = 0;
    if (hit.is_folder()) {
      // Its path "PARENT\NAME\": the parent's key, then the name's, as read_key() makes it.
      std::string_view text = entry.path;
      text.remove_suffix(1);
      const std::size_t cut = text.rfind('\\');
      const std::size_t name_at = cut == std::string_view::npos ? 0 : cut + 1;
      own_.clear();
      compare_keys::append_key(encoding, text.substr(0, name_at), ignore_case_, reader_, own_);
      compare_keys::append_key(encoding, text.substr(name_at), ignore_case_, reader_, own_);
      own_ += '\\';
      key_ = own_;
      folder_size_ = own_.size();
      // The files after it are in it: their folder's part is its key, not read and folded again.
      files_.assign(own_);
      folder_line_ = hit.line;
      folder_encoding_ = encoding;
      files_folder_size_ = files_.size();
      files_folder_hash_ = compare_keys::folder_hash(files_, files_.size(), prefix_);
      kept_folder_ = kNoText;
    } else {
      if (hit.folder != folder_line_ || encoding != folder_encoding_) {
        files_.clear();
        compare_keys::append_key(encoding, folder, ignore_case_, reader_, files_);
        folder_line_ = hit.folder;
        folder_encoding_ = encoding;
        files_folder_size_ = files_.size();
        files_folder_hash_ = compare_keys::folder_hash(files_, files_.size(), prefix_);
        kept_folder_ = kNoText;
      }
      files_.resize(files_folder_size_);
      compare_keys::append_key(encoding, entry.path, ignore_case_, reader_, files_);
      key_ = files_;
      folder_size_ = files_folder_size_;
      folder_part_hash = files_folder_hash_;
    }
    if (key_.compare(0, prefix_.size(), prefix_) != 0) return false;
    below = true;
    if (key_.size() == prefix_.size()) return false;  // the compared folder itself
    folder_part_hash_ = folder_part_hash;
    is_folder_ = hit.is_folder();
    hashed_ = false;
    return true;
  }

  [[nodiscard]] std::string_view below() const { return std::string_view(key_).substr(prefix_.size()); }
  // The length of below()'s folder's part.
  [[nodiscard]] std::size_t folder_part() const {
    return folder_size_ > prefix_.size() ? folder_size_ - prefix_.size() : 0;
  }
  // The hashes of the key made last, made when first asked for.
  const compare_keys::PathHashes& hashes() {
    if (!hashed_) hashes_ = compare_keys::path_hashes(key_, folder_size_, folder_part_hash_, is_folder_, prefix_);
    hashed_ = true;
    return hashes_;
  }
  // Where the folder's part of the files of the folder last made is kept (kNoText: not yet).
  std::uint32_t& kept_folder() { return kept_folder_; }

 private:
  const Catalogue& catalogue_;
  std::string_view prefix_;
  bool ignore_case_;
  compare_keys::KeyReader reader_;
  std::uint64_t valid_folder_line_ = kRootFolder - 1;  // the folder whose path valid_folder_ tells of
  bool valid_folder_ = true;
  std::string own_;    // a folder's key
  std::string files_;  // the key of the folder of the files met last, then a file's name after it
  std::string_view key_;
  std::uint64_t folder_line_ = kRootFolder - 1;  // none yet
  TextEncoding folder_encoding_ = TextEncoding::Ascii;  // what it was read as
  std::size_t files_folder_size_ = 0;
  std::uint64_t files_folder_hash_ = 0;
  std::uint32_t kept_folder_ = kNoText;
  std::size_t folder_size_ = 0;
  std::uint64_t folder_part_hash_ = 0;
  bool is_folder_ = false;
  bool hashed_ = false;
  compare_keys::PathHashes hashes_;
};

}  // namespace korvint::search::compare_detail
