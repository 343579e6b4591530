#include "search/name_decoder.h"

#include "search/utf8.h"

namespace korvint::search {
namespace {

// Valid UTF-8 passes; each malformed byte becomes U+FFFD.
void sanitize_utf8(std::string_view raw, std::string& out) {
  out.clear();
  std::size_t i = 0;
  while (i < raw.size()) {
    const auto c = static_cast<unsigned char>(raw[i]);
    const std::size_t length = c < 0x80 ? 1 : utf8_sequence_length(c);
    if (c < 0x80 || (i + length <= raw.size() && length > 1 && is_valid_utf8(raw.substr(i, length)))) {
      out.append(raw.data() + i, length);
      i += length;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
}

}  // namespace

void NameDecoder::decode(TextEncoding encoding, std::string_view raw, std::string& out) {
  if (encoding == TextEncoding::CodePage) {
    if (!decoder_ && !failed_) {
      platform::Status error;
      decoder_ = platform::make_code_page_decoder(code_page_, error);
      failed_ = decoder_ == nullptr;
    }
    if (decoder_) {
      decoder_->decode(raw, out);
      return;
    }
  }
  if (encoding == TextEncoding::Ascii && is_valid_utf8(raw)) {
    out.assign(raw);
    return;
  }
  sanitize_utf8(raw, out);
}

void append_raw_path(std::string& out, const Catalogue& catalogue, std::string_view folder, std::string_view name) {
  out += catalogue.root();
  const std::size_t levels = out.size();
  out += folder;
  if (catalogue.posix_root()) {
    for (std::size_t i = levels; i < out.size(); ++i)
      if (out[i] == '\\') out[i] = '/';
  }
  out += name;
}

}  // namespace korvint::search
