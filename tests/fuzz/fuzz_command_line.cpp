// The command-line splitter: any text gives as many arguments as it has "/",
// and joining them back with "/" gives the text after the first "/".

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/windows_slash_arguments.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto arguments = korvint::app::split_command_line(text);
  std::size_t slashes = 0;
  for (char c : text) slashes += (c == '/');
  if (arguments.size() != slashes) std::abort();
  if (!arguments.empty()) {
    std::string joined;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (i) joined += '/';
      joined += arguments[i];
    }
    if (joined != text.substr(text.find('/') + 1)) std::abort();
  }
  const std::string_view rest = korvint::app::text_after_program_name(text);
  if (rest.size() > text.size() || text.substr(text.size() - rest.size()) != rest) std::abort();
  return 0;
}
