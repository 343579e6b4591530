#include "shell/vesko_settings.h"

#include <cstdlib>

#include "platform/program_folder.h"
#include "platform/settings_file.h"

namespace korvint::shell {
namespace {

constexpr std::string_view kEncodingKey = "encoding=";

bool is_key(std::string_view line, std::string_view key) {
  if (line.size() < key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i) {
    char c = line[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != key[i]) return false;
  }
  return true;
}

// The value of the first "encoding=NAME" line after the first line.
std::string encoding_line(std::string_view content) {
  std::size_t start = content.find('\n');
  while (start != std::string_view::npos) {
    ++start;
    const std::size_t end = content.find('\n', start);
    std::string_view line = content.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (is_key(line, kEncodingKey)) return std::string(line.substr(kEncodingKey.size()));
    start = end;
  }
  return {};
}

}  // namespace

std::vector<std::string> vesko_ini_places(const std::string& program_folder, const char* xdg_config_home,
                                          const char* home) {
  std::vector<std::string> places{program_folder + platform::path_separator() + "Vesko.ini"};
#ifndef _WIN32
  if (xdg_config_home != nullptr && xdg_config_home[0] == '/') {
    places.push_back(std::string(xdg_config_home) + "/korvint/Vesko.ini");
  } else if (home != nullptr && home[0] != '\0') {
    places.push_back(std::string(home) + "/.config/korvint/Vesko.ini");
  }
#else
  (void)xdg_config_home;
  (void)home;
#endif
  return places;
}

std::vector<std::string> vesko_ini_places() {
  return vesko_ini_places(platform::program_folder(), std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

std::string default_output_folder() {
#ifdef _WIN32
  return "b:\\";
#else
  const char* env = std::getenv("HOME");
  return platform::with_trailing_separator(env != nullptr ? env : "");
#endif
}

VeskoSettings read_vesko_settings(platform::FileServices& files, const std::vector<std::string>& places,
                                          const std::string& default_folder) {
  for (const std::string& place : places) {
    if (auto first_line = files.read_first_line(place)) {
      VeskoSettings settings{*first_line, place, {}, !first_line->empty()};
      if (!settings.folder_set) settings.catalogue_folder = default_folder;
      if (const auto content = platform::read_settings_bytes(place)) settings.encoding = encoding_line(*content);
      return settings;
    }
  }
  return VeskoSettings{default_folder, {}, {}, false};
}

VeskoSettings read_vesko_settings() {
  return read_vesko_settings(platform::system_file_services(), vesko_ini_places(), default_output_folder());
}

std::optional<std::string> vesko_catalogue_folder(const VeskoSettings& settings, platform::FileServices& files) {
  if (settings.folder_set || files.exists(settings.catalogue_folder)) return settings.catalogue_folder;
  return std::nullopt;
}

std::string settings_file_for_writing(const VeskoSettings& settings, const std::vector<std::string>& places) {
  if (!settings.ini_path.empty()) return settings.ini_path;
  if (places.empty()) return {};
#ifdef _WIN32
  return places.front();
#else
  return places.back();
#endif
}

std::string replace_first_line(std::string_view content, std::string_view first_line) {
  const std::size_t end = content.find_first_of("\r\n");
  if (end == std::string_view::npos) return std::string(first_line) + "\r\n";
  return std::string(first_line) + std::string(content.substr(end));
}

platform::Status write_catalogue_folder(const std::string& path, const std::string& folder) {
  const std::string content = platform::read_settings_bytes(path).value_or(std::string());
  // A file that starts with a byte-order mark is UTF-8 throughout: it keeps the mark.
  constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
  if (content.rfind(kUtf8Mark, 0) == 0)
    return platform::write_settings_atomically(
        path, std::string(kUtf8Mark) + replace_first_line(std::string_view(content).substr(kUtf8Mark.size()), folder));
  return platform::write_settings_atomically(path,
                                             replace_first_line(content, platform::encode_settings_text(folder)));
}

}  // namespace korvint::shell
