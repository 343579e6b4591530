#pragma once
// Starts Vesko, the search tool, which lies beside this program.

#include <string>

#include "ui/form1.h"

namespace korvint::shell {

/// Vesko's file name: "Vesko.exe" on Windows, "vesko" elsewhere (as the
/// build names the program beside korvint).
std::string vesko_file_name();

/// The message shown when Vesko is missing.
#ifdef _WIN32
inline constexpr const char* kVeskoMissing = "Vesko.exe must be in the same folder as Korvint.exe";
#else
inline constexpr const char* kVeskoMissing = "vesko must be in the same folder as korvint";
#endif

/// "Vesko": starts Vesko from the program folder without waiting, or
/// says that it is missing, or why it could not be started.
void Command8_Click(ui::Form1& form);

}  // namespace korvint::shell
