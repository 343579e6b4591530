#include "jobs/entry_opening.h"

#include "search/name_decoder.h"

namespace korvint::jobs {

void open_entry(const search::Catalogue& catalogue, const std::string& path, const VeskoServices& services,
                ui::VeskoHost& host) {
  std::string root;
  search::NameDecoder(services.code_page).decode(catalogue.encoding(), catalogue.root(), root);
  if (services.files->exists(path)) {
    const platform::Status shown = services.show_in_file_manager(path);
    if (!shown.ok()) host.messageBox(shown.message());
    return;
  }
  if (services.files->exists(root)) {
    host.messageBox(path + " is no longer there.\nThe catalogue \"" + catalogue.name() + "\" of " + root +
                    " lists it as it was when the catalogue was made.");
    return;
  }
  host.messageBox(path + " is on a disk that is not attached.\nCatalogue: " + catalogue.name() + "\nRoot: " + root);
}

}  // namespace korvint::jobs
