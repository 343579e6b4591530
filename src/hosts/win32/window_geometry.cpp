#include "hosts/win32/window_geometry.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

ScreenDpi screen_dpi() {
  ScreenDpi dpi;
  if (HDC screen = GetDC(nullptr); screen != nullptr) {
    dpi.x = GetDeviceCaps(screen, LOGPIXELSX);
    dpi.y = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
  }
  if (dpi.x <= 0) dpi.x = 96;
  if (dpi.y <= 0) dpi.y = 96;
  return dpi;
}

int window_dpi(HWND window) {
  // Looked up at run time: Windows 7 and 8 lack it, and so do older Wines.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (get_dpi_for_window != nullptr && window != nullptr) {
    if (const UINT dpi = get_dpi_for_window(window); dpi > 0) return static_cast<int>(dpi);
  }
  return screen_dpi().x;
}

HFONT message_font(int dpi) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
  static const auto for_dpi = reinterpret_cast<SystemParametersInfoForDpiFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "SystemParametersInfoForDpi")));
  if (for_dpi != nullptr &&
      for_dpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dpi)) != FALSE)
    return CreateFontIndirectW(&metrics.lfMessageFont);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0) == FALSE)
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  // The system's metrics are at the screen's resolution.
  metrics.lfMessageFont.lfHeight = rescale(metrics.lfMessageFont.lfHeight, screen_dpi().y, dpi);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

}  // namespace korvint::hosts::win32
