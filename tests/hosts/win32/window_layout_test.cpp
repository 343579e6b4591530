// The window as Windows shows it: classes, captions, pixel places, z-order,
// tab order, fonts, tooltips and menus, read back from the live controls.

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/win32/win32_text.h"
#include "ui/drive_box.h"
#include "ui/form_layout.h"
#include "hosts/win32/popup_menu.h"
#include "window_test_support.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

using test::text_of;
using test::WindowFixture;

// The screen's resolution along `axis` (LOGPIXELSX or LOGPIXELSY), read here
// rather than taken from the window under test.
int test_screen_dpi(int axis) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, axis);
  ReleaseDC(nullptr, screen);
  return dpi;
}

std::wstring class_of(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

LONG_PTR style_of(HWND window) { return GetWindowLongPtrW(window, GWL_STYLE); }

TEST(Win32WindowLayout, MainWindowHasItsCaptionFixedFrameAndClientSize) {
  WindowFixture fixture;
  HWND main = fixture.window->window.hwnd();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(class_of(main), kFormWindowClass);
  EXPECT_EQ(text_of(main), "KorvintVB");
  EXPECT_TRUE(IsWindowVisible(main));
  const LONG_PTR style = style_of(main);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, twips_to_pixels(7320, test_screen_dpi(LOGPIXELSX)));
  EXPECT_EQ(client.bottom, twips_to_pixels(3090, test_screen_dpi(LOGPIXELSY)));
}

TEST(Win32WindowLayout, EveryControlHasItsClassCaptionAndPixelPlace) {
  // Before the load handler runs, every control still shows the table's caption.
  Win32Form window;
  const int dpi_x = test_screen_dpi(LOGPIXELSX);
  const int dpi_y = test_screen_dpi(LOGPIXELSY);
  for (const FormControlShape& shape : form_controls()) {
    SCOPED_TRACE(std::string(shape.name));
    HWND control = window.window.control(shape.id);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetParent(control), window.window.hwnd());
    const std::wstring expected_class = window_class_of(shape.kind);
    EXPECT_EQ(CompareStringOrdinal(class_of(control).c_str(), -1, expected_class.c_str(), -1, TRUE),
              CSTR_EQUAL);
    if (shape.kind != ControlKind::DriveListBox) {
      EXPECT_EQ(text_of(control), shape.caption);
    }
    EXPECT_EQ((style_of(control) & WS_VISIBLE) != 0, shape.shown);

    const RECT at = test::rect_in_parent(control);
    EXPECT_EQ(at.left, twips_to_pixels(shape.left, dpi_x));
    EXPECT_EQ(at.top, twips_to_pixels(shape.top, dpi_y));
    if (shape.kind == ControlKind::Line) {
      EXPECT_EQ(at.right - at.left, 2);
      EXPECT_EQ(at.bottom, twips_to_pixels(shape.height, dpi_y));
    } else {
      EXPECT_EQ(at.right - at.left, twips_to_pixels(shape.width, dpi_x));
      EXPECT_EQ(at.bottom - at.top, twips_to_pixels(shape.height, dpi_y));
    }
  }
  EXPECT_TRUE(style_of(window.window.control(ControlId::Text1)) & ES_AUTOHSCROLL);
  const LONG_PTR list = style_of(window.window.control(ControlId::List1));
  EXPECT_TRUE(list & LBS_NOTIFY);
  EXPECT_FALSE(list & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
  EXPECT_EQ(style_of(window.window.control(ControlId::Drive1)) & 0x3, CBS_DROPDOWNLIST);
}

TEST(Win32WindowLayout, DriveBoxOffersTheMachinesDrivesWithOneChosen) {
  Win32Form window;
  const std::vector<std::string> drives = drive_box_entries();
  ASSERT_EQ(window.Drive1.ListCount(), static_cast<int>(drives.size()));
  for (std::size_t i = 0; i < drives.size(); ++i) EXPECT_EQ(window.Drive1.List(static_cast<int>(i)), drives[i]);
  if (!drives.empty()) {
    EXPECT_GE(window.Drive1.ListIndex(), 0);
  }
}

TEST(Win32WindowLayout, EarlierControlsLieOnTopWhereTheyOverlap) {
  WindowFixture fixture;
  HWND main = fixture.window->window.hwnd();
  for (auto [top, under] : {std::pair{ControlId::Command9, ControlId::Text1},
                            std::pair{ControlId::Command6, ControlId::Text5}}) {
    const RECT at = test::rect_in_parent(fixture.control(top));
    const POINT middle{(at.left + at.right) / 2, (at.top + at.bottom) / 2};
    EXPECT_EQ(ChildWindowFromPointEx(main, middle, CWP_SKIPINVISIBLE), fixture.control(top));
    const RECT below = test::rect_in_parent(fixture.control(under));
    EXPECT_TRUE(PtInRect(&below, middle)) << "the two must overlap for this check";
  }
}

// Where the focus goes on each TAB, from "&Scan selected" round to it again.
TEST(Win32WindowKeyboard, TabFollowsTheTabIndexesNotTheZOrder) {
  WindowFixture fixture;
  SetFocus(fixture.control(ControlId::Command1));
  std::vector<ControlId> visited;
  for (int step = 0; step < 14; ++step) {
    test::post_key(GetFocus(), VK_TAB);
    fixture.pump();
    const auto id = control_of_child_window_id(GetDlgCtrlID(GetFocus()));
    ASSERT_TRUE(id.has_value()) << "step " << step;
    visited.push_back(*id);
  }
  // Hidden boxes, labels and the hidden STOP button take no focus.
  const std::vector<ControlId> expected{
      ControlId::Text1,    ControlId::Text4,    ControlId::Command2, ControlId::Drive1,
      ControlId::Command3, ControlId::List1,    ControlId::Command4, ControlId::Command5,
      ControlId::Text5,    ControlId::Command6, ControlId::Command7, ControlId::Command8,
      ControlId::Command9, ControlId::Command1};
  EXPECT_EQ(visited, expected);

  // Shift+TAB goes back; a text box reached by the keyboard has all its text selected.
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  test::post_key(GetFocus(), VK_TAB);
  fixture.pump();
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(GetFocus(), fixture.control(ControlId::Command9));
  SetFocus(fixture.control(ControlId::Command1));
  test::post_key(GetFocus(), VK_TAB);
  fixture.pump();
  DWORD start = 1, end = 0;
  SendMessageW(GetFocus(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(GetFocus())));
}

LOGFONTW font_of(HWND control) {
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font;
}

TEST(Win32WindowLayout, BoldButtonsHaveTheirFontsAndTheRestTheDefaultGuiFont) {
  Win32Form window;
  const int dpi = test_screen_dpi(LOGPIXELSY);
  for (auto [id, points] : {std::pair{ControlId::Command1, 8.25}, std::pair{ControlId::mStop, 8.25},
                            std::pair{ControlId::Command6, 9.75}, std::pair{ControlId::Command9, 9.75}}) {
    const LOGFONTW font = font_of(window.window.control(id));
    EXPECT_STREQ(font.lfFaceName, L"MS Sans Serif");
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfHeight, -static_cast<LONG>(std::lround(points * dpi / 72.0)));
  }
  const auto gui_font = reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT));
  for (ControlId id : {ControlId::Command2, ControlId::Text1, ControlId::Label2, ControlId::List1,
                       ControlId::Drive1, ControlId::Command5}) {
    EXPECT_EQ(SendMessageW(window.window.control(id), WM_GETFONT, 0, 0), gui_font);
  }
}

// Moved to a monitor of 144 dots per inch (or back to 96): the twips layout,
// the client area and the fonts follow the new resolution.
TEST(Win32WindowLayout, TheLayoutFollowsTheMonitorsResolution) {
  Win32Form window;
  HWND main = window.window.hwnd();
  for (const int dpi : {144, 96}) {
    SCOPED_TRACE(dpi);
    RECT suggested{40, 30, 900, 700};
    SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(window.window.dpi().x, dpi);
    RECT client{};
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, twips_to_pixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, twips_to_pixels(kClientHeightTwips, dpi));
    for (const FormControlShape& shape : form_controls()) {
      if (shape.kind == ControlKind::Line || shape.kind == ControlKind::DriveListBox) continue;
      const RECT at = test::rect_in_parent(window.window.control(shape.id));
      EXPECT_EQ(at.left, twips_to_pixels(shape.left, dpi)) << shape.name;
      EXPECT_EQ(at.bottom - at.top, twips_to_pixels(shape.height, dpi)) << shape.name;
      // A label's caption fits it whole in the font it has at this resolution.
      if (shape.kind != ControlKind::Label || shape.tooltip_shows_caption) continue;
      HWND label = window.window.control(shape.id);
      HDC dc = GetDC(label);
      const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(label, WM_GETFONT, 0, 0)));
      const std::wstring caption = platform::win32::to_wide(shape.caption);
      SIZE needed{};
      GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &needed);
      SelectObject(dc, old);
      ReleaseDC(label, dc);
      EXPECT_LE(needed.cx, at.right - at.left) << shape.name;
    }
    EXPECT_EQ(font_of(window.window.control(ControlId::Command1)).lfHeight,
              -static_cast<LONG>(std::lround(8.25 * dpi / 72.0)));
  }
}

TEST(Win32WindowLayout, TwoButtonsHaveTooltips) {
  Win32Form window;
  HWND tips = window.window.tooltips();
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), 4);  // and the two status labels
  for (auto [id, text] : {std::pair{ControlId::Command5, L"Automatic naming of output files"},
                          std::pair{ControlId::Command4, L"Browse for folder"}}) {
    wchar_t shown[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window.window.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(window.window.control(id));
    tool.lpszText = shown;
    SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(shown, text);
  }
}

TEST(Win32WindowLayout, StatusLabelsShowTheirWholeCaptionInATooltipOverTheirPlace) {
  Win32Form window;
  HWND tips = window.window.tooltips();
  ASSERT_NE(tips, nullptr);
  const std::string message = "Cannot create \"C:\\" + std::string(250, 'x') + "\\cat.lst\": Access denied.";
  window.form.Label2.setCaption(message);
  window.form.Label1.setCaption("Scan failed:");
  for (auto [id, expected] : {std::pair{ControlId::Label2, message}, std::pair{ControlId::Label1, std::string("Scan failed:")}}) {
    std::wstring shown(1024, L'\0');
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = window.window.hwnd();
    tool.uId = slot(id);
    tool.lpszText = shown.data();
    SendMessageW(tips, TTM_GETTEXTW, shown.size(), reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(platform::win32::to_utf8(shown.c_str()), expected);
    // The tool covers the label's place in the window.
    ASSERT_TRUE(SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
    RECT label{};
    GetWindowRect(window.window.control(id), &label);
    MapWindowPoints(nullptr, window.window.hwnd(), reinterpret_cast<POINT*>(&label), 2);
    EXPECT_TRUE(EqualRect(&tool.rect, &label));
  }
}

TEST(Win32WindowLayout, PopupMenusHoldTheirItemsInOrder) {
  for (const MenuShape& menu : form_menus()) {
    const MenuHandle popup = build_popup_menu(menu.id);
    ASSERT_EQ(GetMenuItemCount(popup.get()), static_cast<int>(menu.items.size()));
    for (std::size_t i = 0; i < menu.items.size(); ++i) {
      wchar_t caption[128] = {};
      GetMenuStringW(popup.get(), static_cast<UINT>(i), caption, 128, MF_BYPOSITION);
      EXPECT_EQ(platform::win32::to_utf8(caption), menu.items[i].caption);
      EXPECT_EQ(menu_item_of_command(static_cast<int>(GetMenuItemID(popup.get(), static_cast<int>(i)))),
                menu.items[i].id);
    }
  }
}

}  // namespace
}  // namespace korvint::hosts::win32
