#include "window_test_support.h"

#include "app/start_up.h"
#include "platform/win32/win32_text.h"

namespace korvint::test {

WindowFixture::WindowFixture() {
  ui::FormServices services;
  // A program folder of its own, so no settings file of the build tree is read.
  services.program_folder = path_text(tree.folder("program"));
  tree.folder("out");
  window = std::make_unique<hosts::win32::Win32Form>(std::move(services));
  app::Form_Load(window->form, {});
  pump();
}

WindowFixture::~WindowFixture() {
  window.reset();
  forget_quit();
}

void WindowFixture::prepare_scan(const std::filesystem::path& root, std::string_view name) {
  set_text(control(ui::ControlId::Text1), path_text(root) + "\\");
  set_text(control(ui::ControlId::Text5), path_text(tree.root() / "out") + "\\");
  set_text(control(ui::ControlId::Text4), name);
}

std::filesystem::path WindowFixture::output(std::string_view name) const {
  return tree.root() / "out" / std::filesystem::u8path(name);
}

std::string text_of(HWND window) {
  wchar_t text[1024] = {};
  SendMessageW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return platform::win32::to_utf8(text);
}

void set_text(HWND window, std::string_view text) {
  SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(platform::win32::to_wide(text).c_str()));
}

void post_key(HWND control, UINT virtual_key) {
  const UINT scan = MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
  PostMessageW(control, WM_KEYDOWN, virtual_key, static_cast<LPARAM>(1 | (scan << 16)));
  PostMessageW(control, WM_KEYUP, virtual_key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
}

void forget_quit() {
  MSG msg{};
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) {
    if (msg.message != WM_QUIT) DispatchMessageW(&msg);
  }
}

RECT rect_in_parent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace korvint::test
