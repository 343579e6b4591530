#pragma once
// Where Korvint.exe, a program without a console of its own, tells a batch
// file why it failed.

#include <string>
#include <vector>

namespace korvint::hosts::win32 {

/// Writes `lines`, each after "Korvint: " and ending in CR LF, to the error
/// stream the program was started with (a file or pipe a batch file redirected
/// it to), else to the console of the program that started it, attached for
/// this; nowhere when there is neither. Never waits for a person.
void tell_starter(const std::vector<std::string>& lines);

}  // namespace korvint::hosts::win32
