#include "window_loader.h"

#include <dlfcn.h>

#include "platform/program_folder.h"

namespace korvint::hosts {

std::string window_module_path() { return platform::program_folder() + "/../lib/korvint/korvint-window.so"; }

ui::qt::WindowMain load_window_module(std::string& error) {
  const std::string path = window_module_path();
  // Kept loaded until the process ends; its symbols stay its own.
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    error = why != nullptr ? why : "cannot load \"" + path + "\"";
    return nullptr;
  }
  void* entry = ::dlsym(module, ui::qt::kWindowMainName);
  if (entry == nullptr) {
    error = "\"" + path + "\" has no " + ui::qt::kWindowMainName;
    return nullptr;
  }
  return reinterpret_cast<ui::qt::WindowMain>(entry);
}

}  // namespace korvint::hosts
