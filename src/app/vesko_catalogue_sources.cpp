#include "app/vesko_catalogue_sources.h"

#include "platform/file_services.h"
#include "platform/text_decoding.h"
#include "shell/vesko_settings.h"

namespace korvint::app {
namespace {

// What the command line says when no folder is named and none is set.
constexpr const char* kNoFolderYet =
    "no catalogue folder yet: name one with --catalogues DIR or on the first line of Vesko.ini, "
    "or make catalogues with Korvint";

}  // namespace

std::optional<CatalogueSources> catalogue_sources(const VeskoArguments& options, std::ostream& err,
                                                  const std::string& program, bool need_folders) {
  CatalogueSources sources;
  sources.folders = options.folders;
  const shell::VeskoSettings settings =
      options.folders.empty() || !options.encoding ? shell::read_vesko_settings() : shell::VeskoSettings{};
  if (sources.folders.empty()) {
    const auto folder = shell::vesko_catalogue_folder(settings, platform::system_file_services());
    if (folder) {
      sources.folders.push_back(*folder);
    } else if (need_folders) {
      err << program << ": " << kNoFolderYet << "\n";
      return std::nullopt;
    }
  }
  sources.code_page = options.encoding.value_or(settings.encoding);
  platform::Status status;
  if (!platform::make_code_page_decoder(sources.code_page, status)) {
    err << program << ": " << status.message() << "\n";
    return std::nullopt;
  }
  return sources;
}

}  // namespace korvint::app
