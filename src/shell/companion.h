#pragma once
// The companion search tool, which lies beside this program.

#include <string>

#include "ui/form1.h"

namespace korvint::shell {

/// The companion's file name: "Vesko.exe" on Windows, "vesko" elsewhere (as
/// the build names the program beside korvint).
std::string companion_file_name();

/// The message shown when the companion is missing.
#ifdef _WIN32
inline constexpr const char* kCompanionMissing = "Vesko.exe must be in the same folder as Korvint.exe";
#else
inline constexpr const char* kCompanionMissing = "vesko must be in the same folder as korvint";
#endif

/// "Vesko": starts the companion from the program folder without waiting, or
/// says that it is missing, or why it could not be started.
void Command8_Click(ui::Form1& form);

}  // namespace korvint::shell
