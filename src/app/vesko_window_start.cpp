#include "app/vesko_window_start.h"

#include <utility>

namespace korvint::app {

VeskoWindow::VeskoWindow(ui::VeskoForm& form, VeskoWindowOptions options, std::vector<std::string> places,
                         std::string default_folder, jobs::VeskoServices services)
    : form_(form), folders_(std::move(options.folders)) {
  platform::FileServices& files =
      services.files != nullptr ? *services.files : platform::system_file_services();
  const shell::VeskoSettings settings = shell::read_vesko_settings(files, places, default_folder);
  settings_file_ = shell::settings_file_for_writing(settings, places);
  if (folders_.empty())
    if (auto folder = shell::vesko_catalogue_folder(settings, files)) folders_.push_back(std::move(*folder));
  services.code_page = options.encoding.value_or(settings.encoding);
  session_ = std::make_unique<jobs::VeskoSession>(form, std::move(services));
  views_ = std::make_unique<jobs::VeskoViews>(form, *session_);
  browse_ = std::make_unique<jobs::VeskoBrowse>(form, *session_);
  // "Browse" and "Show in catalogue" open the browse window.
  views_->browse = [this](std::size_t index) { browse_->browse_catalogue(index); };
  auto show_in_catalogue = [this](const search::Catalogue& catalogue, const search::Hit& hit) {
    browse_->show_in_catalogue(catalogue, hit);
  };
  views_->show_in_catalogue = show_in_catalogue;
  session_->show_in_catalogue = show_in_catalogue;
}

void VeskoWindow::Form_Load() {
  form_.host.showWindow();
  form_.host.focusControl(ui::VeskoControlId::txtQuery);
  session_->open_folders(folders_);
}

void VeskoWindow::cmdFolder_Click() {
  const std::string start = folders_.empty() ? std::string() : folders_.front();
  const std::string chosen = form_.host.BrowseFolder(start);
  if (chosen.empty()) return;
  folders_ = {chosen};
  session_->open_folders(folders_);
  if (settings_file_.empty()) return;
  const platform::Status written = shell::write_catalogue_folder(settings_file_, chosen);
  if (!written.ok()) form_.host.messageBox("The catalogue folder is not kept for the next start: " + written.message());
}

}  // namespace korvint::app
