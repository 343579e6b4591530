#include "platform/posix/posix_error.h"

#include <cstring>

namespace korvint::platform::posix {

Status errno_failure(std::string_view what, std::string_view path, int error_number) {
  std::string message(what);
  message += " \"";
  message += path;
  message += "\": ";
  message += std::strerror(error_number);
  return Status::failure(std::move(message));
}

}  // namespace korvint::platform::posix
