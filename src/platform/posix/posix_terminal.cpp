#include <unistd.h>

#include "platform/terminal.h"

namespace korvint::platform {

bool error_output_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace korvint::platform
