#pragma once
// The automatic naming rule: the catalogue name a root proposes.

#include <string>
#include <string_view>

namespace korvint::jobs {

/// Windows form: a path of at most three characters (a drive root such as
/// "c:\") gives its first character and "-disk.lst"; otherwise one trailing
/// "\" is dropped and the part after the last "\" gets ".lst". `path` is
/// UTF-8 and counted in characters (code points), not bytes.
std::string derive_name_windows(std::string_view path);

/// POSIX form: one trailing "/" is dropped; the root "/" gives "root-disk.lst",
/// any other path the part after the last "/" and ".lst".
std::string derive_name_posix(std::string_view path);

/// The rule of the platform the program runs on.
std::string derive_catalogue_name(std::string_view path);

}  // namespace korvint::jobs
