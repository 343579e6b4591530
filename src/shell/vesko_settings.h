#pragma once
// Vesko's settings file, Vesko.ini: its first line names the catalogue folder,
// which is also Korvint's default output folder, so that what Korvint writes
// Vesko finds. Looked up exactly as Korvint looks it up.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_services.h"
#include "platform/status.h"

namespace korvint::shell {

/// The places Vesko.ini is looked for, first found wins: the program folder;
/// then, except on Windows, "$XDG_CONFIG_HOME/korvint/Vesko.ini" (an absolute
/// XDG_CONFIG_HOME) or else "$HOME/.config/korvint/Vesko.ini".
std::vector<std::string> vesko_ini_places(const std::string& program_folder, const char* xdg_config_home,
                                          const char* home);

/// The places for this process: its program folder and environment.
std::vector<std::string> vesko_ini_places();

/// Korvint's default output folder: "b:\" on Windows, the home folder with a
/// trailing "/" elsewhere.
std::string default_output_folder();

struct VeskoSettings {
  std::string catalogue_folder;  ///< the first line of Vesko.ini, or the default output folder
  std::string ini_path;          ///< the Vesko.ini it came from; empty when none was found
  std::string encoding;          ///< from a line "encoding=NAME" of that file; "" when none
  bool folder_set = false;       ///< the first line of Vesko.ini named the folder
};

/// Reads the first Vesko.ini among `places` that `files` can read. Its first
/// line (as FileServices::read_first_line gives it: without a byte-order
/// mark) names the folder; an empty first line sets none, and the folder is
/// `default_folder` as when there is no Vesko.ini.
VeskoSettings read_vesko_settings(platform::FileServices& files, const std::vector<std::string>& places,
                                          const std::string& default_folder);

/// The settings of this process.
VeskoSettings read_vesko_settings();

/// The folder Vesko searches when none is named on its command line: the one
/// Vesko.ini sets (whether it exists or not), else Korvint's default output
/// folder where that exists; nullopt when there is no catalogue folder yet.
std::optional<std::string> vesko_catalogue_folder(const VeskoSettings& settings, platform::FileServices& files);

/// Where a changed catalogue folder is written: the Vesko.ini that was read,
/// else the first place (Windows: the program folder) or, elsewhere, the
/// configuration folder's place, since program folders are seldom writable.
std::string settings_file_for_writing(const VeskoSettings& settings, const std::vector<std::string>& places);

/// `content` with its first line replaced by `first_line`; every other byte,
/// and the first line's own line end, kept. Empty content gives the line and CR LF.
std::string replace_first_line(std::string_view content, std::string_view first_line);

/// Makes `folder` the first line of the settings file at `path`, keeping its
/// other lines; written to a temporary file, synced, renamed over the old one.
platform::Status write_catalogue_folder(const std::string& path, const std::string& folder);

}  // namespace korvint::shell
