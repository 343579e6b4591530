#include "hosts/win32/vesko_win32_form.h"

#include <utility>

namespace korvint::hosts::win32 {
using namespace korvint::ui;

VeskoWin32Form::VeskoWin32Form(app::VeskoWindowOptions options, std::vector<std::string> places,
                               std::string default_folder, jobs::VeskoServices services, int show_command)
    : window(show_command),
      host(window),
      form{window.txtQuery(), window.lblFolder(), window.lstCatalogues(), window.lstResults(), window.lblStatus(),
           host} {
  if (window.hwnd() == nullptr) return;
  vesko = std::make_unique<app::VeskoWindow>(form, std::move(options), std::move(places), std::move(default_folder),
                                             std::move(services));
  window.attach(vesko.get());
}

VeskoWin32Form::~VeskoWin32Form() {
  window.attach(nullptr);
  host.closeViews();
  vesko.reset();
  window.drop_posted();
  window.destroy();
}

}  // namespace korvint::hosts::win32
