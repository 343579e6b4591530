#include "window_loader.h"

#include <dlfcn.h>

#include <cstdlib>

#include "platform/program_folder.h"

namespace korvint::hosts {
namespace {

bool set(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != 0;
}

}  // namespace

bool display_named() { return set("DISPLAY") || set("WAYLAND_DISPLAY") || set("QT_QPA_PLATFORM"); }

std::string no_display_reason() {
  std::string reason = "no display answers";
  if (set("DISPLAY")) reason += std::string(" (DISPLAY=") + std::getenv("DISPLAY") + ")";
  return reason;
}

std::string window_module_path(std::string_view file_name) {
  return platform::program_folder() + "/../lib/korvint/" + std::string(file_name);
}

void* load_window_entry(std::string_view file_name, const char* entry_name, std::string& error) {
  const std::string path = window_module_path(file_name);
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* why = ::dlerror();
    error = why != nullptr ? why : "cannot load \"" + path + "\"";
    return nullptr;
  }
  void* entry = ::dlsym(module, entry_name);
  if (entry == nullptr) error = "\"" + path + "\" has no " + entry_name;
  return entry;
}

}  // namespace korvint::hosts
