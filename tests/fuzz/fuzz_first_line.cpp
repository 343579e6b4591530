// Reading the first line of a settings file: any content gives either nothing
// or a line without line ends that begins the file (after a UTF-8 byte-order mark).

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file_services.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string path = "/tmp/korvint-fuzz-first-line-" + std::to_string(::getpid());
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  const auto line = korvint::platform::system_file_services().read_first_line(path);
  const std::string content(reinterpret_cast<const char*>(data), size);
  if (size == 0 && line) std::abort();
  if (line) {
    if (line->find_first_of("\r\n") != std::string::npos) std::abort();
    const std::size_t mark = content.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
    if (content.compare(mark, line->size(), *line) != 0) std::abort();
  }
  return 0;
}
