#include "hosts/win32/vesko_win32_form.h"

#include <utility>

namespace korvint::ui::win32 {

VeskoWin32Form::VeskoWin32Form(app::VeskoWindowOptions options, std::vector<std::string> places,
                               std::string default_folder, jobs::VeskoServices services, int show_command)
    : txtQuery(window.control(VeskoControlId::txtQuery)),
      lblFolder(window.control(VeskoControlId::lblFolder)),
      lblStatus(window.control(VeskoControlId::lblStatus)),
      lstCatalogues(window.control(VeskoControlId::lstCatalogues)),
      lstResults(window.control(VeskoControlId::lstResults)),
      host(window, show_command),
      form{txtQuery, lblFolder, lstCatalogues, lstResults, lblStatus, host} {
  if (window.hwnd() == nullptr) return;
  vesko = std::make_unique<app::VeskoWindow>(form, std::move(options), std::move(places), std::move(default_folder),
                                             std::move(services));
  window.attach(vesko.get(), &txtQuery, &lstCatalogues, &lstResults);
}

VeskoWin32Form::~VeskoWin32Form() {
  window.attach(nullptr, nullptr, nullptr, nullptr);
  vesko.reset();
  window.drop_posted();
  window.destroy();
}

}  // namespace korvint::ui::win32
