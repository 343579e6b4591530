#include "hosts/win32/vesko_win32_form.h"

#include <tuple>
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

VeskoWindowMemory VeskoWin32Form::memory() const {
  VeskoWindowMemory memory = window.memory();
  std::tie(memory.view_rect, memory.view_maximized) = host.viewPlace();
  if (memory.view_rect && (memory.view_rect->width <= 0 || memory.view_rect->height <= 0)) memory.view_rect.reset();
  host.browsePlace(memory);
  if (vesko) {
    std::tie(memory.folder_sort_column, memory.folder_sort_descending) = vesko->browse().folder_sort();
    std::tie(memory.file_sort_column, memory.file_sort_descending) = vesko->browse().file_sort();
  }
  return memory;
}

void VeskoWin32Form::restore(const VeskoWindowMemory& memory) {
  window.restore(memory);
  // The view window's place at this screen's resolution, as the main window's.
  const VeskoWindowMemory here = at_dpi(memory, window.dpi());
  host.rememberViewPlace(here.view_rect, here.view_maximized);
  host.rememberBrowse(memory);
  if (vesko)
    vesko->browse().restore_sort(memory.folder_sort_column, memory.folder_sort_descending, memory.file_sort_column,
                                 memory.file_sort_descending);
}

}  // namespace korvint::hosts::win32
