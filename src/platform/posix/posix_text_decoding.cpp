// Code pages through iconv.

#include <iconv.h>

#include <cerrno>
#include <string>

#include "platform/text_decoding.h"

namespace korvint::platform {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

class IconvDecoder final : public CodePageDecoder {
 public:
  explicit IconvDecoder(iconv_t descriptor) : descriptor_(descriptor) {}
  IconvDecoder(const IconvDecoder&) = delete;
  IconvDecoder& operator=(const IconvDecoder&) = delete;
  ~IconvDecoder() override { iconv_close(descriptor_); }

  void decode(std::string_view text, std::string& out) override {
    out.clear();
    iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(text.data());
    std::size_t in_left = text.size();
    std::size_t used = 0;
    out.resize(text.size() * 3 + 16);
    while (in_left > 0) {
      char* write = out.data() + used;
      std::size_t out_left = out.size() - used;
      const std::size_t result = iconv(descriptor_, &in, &in_left, &write, &out_left);
      used = out.size() - out_left;
      if (result != static_cast<std::size_t>(-1)) break;
      if (errno == E2BIG) {
        out.resize(out.size() * 2);
      } else {  // EILSEQ, or EINVAL for a sequence cut off at the end
        out.replace(used, kReplacement.size(), kReplacement);
        used += kReplacement.size();
        if (out.size() < used + in_left * 3 + 16) out.resize(used + in_left * 3 + 16);
        ++in;
        --in_left;
        iconv(descriptor_, nullptr, nullptr, nullptr, nullptr);
      }
    }
    out.resize(used);
  }

 private:
  iconv_t descriptor_;
};

}  // namespace

std::unique_ptr<CodePageDecoder> make_code_page_decoder(std::string_view name, Status& error) {
  const std::string from = name.empty() ? std::string("WINDOWS-1252") : std::string(name);
  const iconv_t descriptor = iconv_open("UTF-8", from.c_str());
  if (descriptor == reinterpret_cast<iconv_t>(-1)) {
    error = Status::failure("Unknown encoding \"" + from + "\"");
    return nullptr;
  }
  return std::make_unique<IconvDecoder>(descriptor);
}

}  // namespace korvint::platform
