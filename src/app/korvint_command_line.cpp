#include "app/korvint_command_line.h"

#include "app/batch_arguments.h"

#ifndef KORVINT_VERSION
#define KORVINT_VERSION "0.0.0"
#endif

namespace korvint::app {

Invocation read_korvint_arguments(const std::vector<std::string>& arguments) {
  Invocation invocation;
  bool help = false;
  bool version = false;
  bool options_ended = false;
  auto wrong = [&invocation](std::string error) {
    invocation.request = Request::usage_error;
    invocation.error = std::move(error);
    return invocation;
  };
  for (const std::string& argument : arguments) {
    if (options_ended || argument.empty() || argument[0] != '-') {
      invocation.operands.push_back(argument);
    } else if (argument == "--") {
      options_ended = true;
    } else if (argument == "-h" || argument == "--help") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else {
      std::string error = "unknown option \"" + argument + "\"";
      if (argument[1] != '-') error += " (a folder named so goes after \"--\": korvint -- " + argument + " OUTPUT)";
      return wrong(std::move(error));
    }
  }
  if (help) {
    invocation.request = Request::help;
    return invocation;
  }
  if (version) {
    invocation.request = Request::version;
    return invocation;
  }
  const std::vector<std::string>& operands = invocation.operands;
  if (operands.size() > 2) {
    return wrong(std::to_string(operands.size()) +
                 " arguments, but korvint takes at most ROOT and OUTPUT (quote a path that holds spaces)");
  }
  if (operands.size() == 1 && operands[0].find_first_not_of(' ') == std::string::npos) {
    return wrong("the folder to scan is empty");
  }
  if (operands.size() == 2) {
    if (std::string problem = batch_arguments_problem(operands); !problem.empty()) return wrong(std::move(problem));
    invocation.request = Request::batch;
  }
  return invocation;
}

std::string korvint_usage() {
  return "Usage: korvint [ROOT]\n"
         "       korvint ROOT OUTPUT\n"
         "Makes disk catalogues: one plain-text list (.lst) of every folder and file\n"
         "below ROOT, with their sizes, dates and times.\n"
         "\n"
         "  korvint              opens the window\n"
         "  korvint ROOT         opens the window, ready to scan the folder ROOT\n"
         "  korvint ROOT OUTPUT  scans ROOT into the catalogue OUTPUT (\".lst\" is added\n"
         "                       when OUTPUT does not end in it) and ends; with a display\n"
         "                       the window shows the scan, without one the count goes\n"
         "                       to the terminal. Ctrl+C stops it (so do SIGTERM,\n"
         "                       SIGQUIT and a closed terminal).\n"
         "  -h, --help           shows this text\n"
         "  --version            shows the version\n"
         "  --                   ends the options: korvint -- -odd-root out.lst\n"
         "\n"
         "The catalogue that stood under OUTPUT before is kept until the new one is\n"
         "complete, and put back when the scan fails or is stopped. A relative ROOT is\n"
         "written as an absolute path. Links are followed, each folder entered once;\n"
         "below ROOT, /proc, /sys, /dev and the like are listed, not entered.\n"
         "\n"
         "Exit status:\n"
         "  0  the catalogue is complete, under OUTPUT and on disk\n"
         "  1  the scan failed or was stopped, the earlier catalogue is kept; also when\n"
         "     ROOT cannot be opened (missing, not a folder, no permission), OUTPUT is\n"
         "     not a regular file, or OUTPUT was removed or replaced during the scan\n"
         "  2  wrong command line, or no display for the window; nothing was touched\n"
         "  3  the catalogue is complete, but some folders could not be read and are\n"
         "     listed empty; the first is named on stderr\n"
         "A medium that is not mounted often leaves its mount point as an empty folder,\n"
         "which is a valid root: check first, as in\n"
         "  mountpoint -q /media/usb && korvint /media/usb usb.lst\n"
         "\n"
         "Environment:\n"
         "  KORVINT_LISTING_THREADS=N  the number of helper threads that read folders\n"
         "                             ahead of the scan, 0 to 32; 0 lists every folder\n"
         "                             on the scan's own thread; unset or \"auto\", the\n"
         "                             number adapts to the medium during the scan\n"
         "\n"
         "Files:\n"
         "  Vesko.ini  its first line is the window's default output folder; looked for\n"
         "             in the program's folder, then as $XDG_CONFIG_HOME/korvint/Vesko.ini\n"
         "             (by default ~/.config/korvint/Vesko.ini)\n";
}

std::string korvint_version_line() { return std::string("korvint ") + KORVINT_VERSION; }

}  // namespace korvint::app
