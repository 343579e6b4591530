// Vesko's Win32 window (under Wine in the Windows build): a query typed as
// window messages, the owner-data list view's item count and texts, a header
// click, the keys; Vesko.exe started by Korvint's button, and as a
// command-line tool writing to a pipe.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "app/query_help.h"
#include "app/vesko_form_events.h"
#include "hosts/win32/message_pump.h"
#include "hosts/win32/text_window.h"
#include "hosts/win32/user_registry.h"
#include "hosts/win32/vesko_control_creation.h"
#include "hosts/win32/vesko_win32_form.h"
#include "platform/file_services.h"
#include "platform/win32/win32_text.h"
#include "shell/vesko_launcher.h"
#include "support/child_process.h"
#include "support/form_fixture.h"
#include "support/temp_tree.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

namespace fs = std::filesystem;
using platform::win32::to_utf8;
using platform::win32::to_wide;

// Waits for `condition` while the window's messages are delivered.
bool pump_until(VeskoWin32Form* window, const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (window != nullptr) {
      deliver_pending_messages(window->window);
    } else {
      MSG msg{};
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// A program of the build; the build gives its host path, which Wine shows as drive Z:.
std::wstring program(std::string path) {
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  return to_wide(path);
}
std::wstring vesko_exe() { return program(VESKO_EXE); }
std::wstring korvint_exe() { return program(KORVINT_EXE); }

std::string item_text(HWND list, int item, int column) {
  wchar_t text[512] = {};
  ListView_GetItemText(list, item, column, text, 512);
  return to_utf8(text);
}

struct Win32VeskoTest : ::testing::Test {
  Win32VeskoTest() {
    std::string text = "E:\\Photos\\\r\n";
    for (int i = 0; i < 2000; ++i) text += "img" + std::to_string(i) + ".jpg\t" + std::to_string(i) + "\t 2020.1.2\t3:4.5\r\n";
    text += "Trip\\\t0\t 2020.1.2\t3:4.5\r\nnotes.txt\t1234567\t 2021.1.1\t0:0.0\r\n";
    tree.text_file("cats/photos.lst", text);
    window = std::make_unique<VeskoWin32Form>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                                std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")},
                                                "", jobs::VeskoServices{}, SW_SHOWNORMAL);
    app::on_load(*window->vesko);
    EXPECT_TRUE(settled());
  }

  bool settled() { return pump_until(window.get(), [&] { return !window->vesko->session().working(); }); }
  HWND results() const { return window->window.control(VeskoControlId::lstResults); }
  HWND query() const { return window->window.control(VeskoControlId::txtQuery); }

  void type(std::wstring_view keys) {
    for (const wchar_t key : keys) SendMessageW(query(), WM_CHAR, key, 1);
  }

  test::TempTree tree;
  std::unique_ptr<VeskoWin32Form> window;
};

TEST_F(Win32VeskoTest, ATypedQueryFillsTheOwnerDataListView) {
  wchar_t title[32] = {};
  GetWindowTextW(window->window.hwnd(), title, 32);
  EXPECT_EQ(std::wstring(title), L"Vesko");
  EXPECT_NE(GetWindowLongW(results(), GWL_STYLE) & LVS_OWNERDATA, 0);
  HWND catalogues = window->window.control(VeskoControlId::lstCatalogues);
  ASSERT_EQ(ListView_GetItemCount(catalogues), 1);
  EXPECT_EQ(item_text(catalogues, 0, 1), "E:\\Photos\\");
  EXPECT_EQ(item_text(catalogues, 0, 2), "2,001");  // files
  EXPECT_EQ(item_text(catalogues, 0, 3), "1");      // folders
  EXPECT_EQ(item_text(catalogues, 0, 7), "offline");

  type(L"img1");
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetItemCount(results()), 1111);
  EXPECT_EQ(item_text(results(), 0, 0), "img1.jpg");
  EXPECT_EQ(item_text(results(), 0, 1), "E:\\Photos\\");
  EXPECT_EQ(item_text(results(), 0, 3), "2020-01-02 03:04:05");
  EXPECT_EQ(item_text(results(), 0, 4), "photos");
  const std::string status = window_text(window->window.control(VeskoControlId::lblStatus));
  EXPECT_EQ(status.rfind("1,111 found in 1 catalogue (2,002 entries) in ", 0), 0u) << status;

  // Backspace, and the results follow.
  SendMessageW(query(), WM_CHAR, VK_BACK, 1);
  type(L"12");
  SendMessageW(query(), WM_CHAR, VK_BACK, 1);
  SendMessageW(query(), WM_CHAR, L'7', 1);
  ASSERT_TRUE(settled());
  EXPECT_EQ(window_text(query()), "img17");
  EXPECT_EQ(ListView_GetItemCount(results()), 111);

  // A click on the Size header twice: largest first.
  for (int click = 0; click < 2; ++click) {
    NMLISTVIEW notice{};
    notice.hdr = NMHDR{results(), static_cast<UINT_PTR>(GetDlgCtrlID(results())), LVN_COLUMNCLICK};
    notice.iItem = -1;
    notice.iSubItem = 2;
    SendMessageW(window->window.hwnd(), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
    ASSERT_TRUE(settled());
  }
  EXPECT_EQ(item_text(results(), 0, 0), "img1799.jpg");
  EXPECT_EQ(item_text(results(), 0, 2), "1,799");
}

TEST_F(Win32VeskoTest, DelayedWorkRunsInTheWindowAfterItsDelayUnlessDropped) {
  using std::chrono::milliseconds;
  // A window of an earlier test, destroyed, left the thread's quit flag set
  // (the pump keeps it).
  MSG quit{};
  PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::pair<int, milliseconds>> ran;
  const auto note = [&](int which) {
    ran.emplace_back(which, std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - start));
  };
  window->host.postAfter(milliseconds(80), [&] { note(2); });
  window->host.postAfter(milliseconds(30), [&] { note(1); });
  ASSERT_TRUE(pump_until(window.get(), [&] { return ran.size() == 2; }));
  EXPECT_EQ(ran[0].first, 1);
  EXPECT_EQ(ran[1].first, 2);
  // The system's timers keep time in ticks of about 16 ms.
  EXPECT_GE(ran[0].second, milliseconds(30 - 16));
  EXPECT_GE(ran[1].second, milliseconds(80 - 16));
  window->host.postAfter(milliseconds(10), [&] { note(3); });
  window->host.dropPosted();
  const auto until = std::chrono::steady_clock::now() + milliseconds(100);
  pump_until(window.get(), [&] { return std::chrono::steady_clock::now() > until; });
  EXPECT_EQ(ran.size(), 2u);

  // A window kept busy by posted work (rows streaming in) still gets its
  // delayed work on time; a WM_TIMER would wait until the queue is empty.
  const auto busy_until = std::chrono::steady_clock::now() + milliseconds(3000);
  bool due = false;
  bool due_while_busy = false;
  std::function<void()> busy = [&] {
    if (!due && std::chrono::steady_clock::now() < busy_until) window->host.post(busy);
  };
  window->host.postAfter(milliseconds(30), [&] {
    due = true;
    due_while_busy = std::chrono::steady_clock::now() < busy_until;
  });
  window->host.post(busy);
  ASSERT_TRUE(pump_until(window.get(), [&] { return due; }));
  EXPECT_TRUE(due_while_busy);
}

TEST_F(Win32VeskoTest, KeysMoveBetweenQueryAndResultsAndEscClears) {
  SetForegroundWindow(window->window.hwnd());
  SetFocus(query());
  type(L"notes");
  ASSERT_TRUE(settled());
  ASSERT_EQ(ListView_GetItemCount(results()), 1);
  EXPECT_EQ(item_text(results(), 0, 2), "1,234,567");
  PostMessageW(query(), WM_KEYDOWN, VK_DOWN, 1);
  ASSERT_TRUE(pump_until(window.get(), [&] { return GetFocus() == results(); }));
  EXPECT_EQ(ListView_GetNextItem(results(), -1, LVNI_FOCUSED), 0);
  PostMessageW(results(), WM_KEYDOWN, VK_ESCAPE, 1);
  ASSERT_TRUE(pump_until(window.get(), [&] { return GetFocus() == query(); }));
  ASSERT_TRUE(settled());
  EXPECT_EQ(window_text(query()), "");
  EXPECT_EQ(ListView_GetItemCount(results()), 0);
  // F5 reads every catalogue again.
  PostMessageW(query(), WM_KEYDOWN, VK_F5, 1);
  HWND status = window->window.control(VeskoControlId::lblStatus);
  EXPECT_TRUE(pump_until(window.get(), [&] {
    return window_text(status).find("Reloaded all 1 catalogue") != std::string::npos;
  })) << window_text(status);
}

// The window opens centred on its monitor, as large as drawn where the
// monitor allows; the layout follows the window: the spare width goes to the
// folders, long folders and names lose their middle; the splitter moves the
// border between the tables and keeps five rows of results; a new resolution
// scales everything.
TEST_F(Win32VeskoTest, TheLayoutFollowsTheWindowTheSplitterAndTheResolution) {
  HWND main = window->window.hwnd();
  HWND catalogues = window->window.control(VeskoControlId::lstCatalogues);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor));
  RECT outer{};
  RECT client{};
  GetWindowRect(main, &outer);
  GetClientRect(main, &client);
  const RECT& work = monitor.rcWork;
  EXPECT_LE(std::abs((outer.left + outer.right) - (work.left + work.right)), 2);
  EXPECT_LE(std::abs((outer.top + outer.bottom) - (work.top + work.bottom)), 2);
  if (work.right - work.left >= 1100 && work.bottom - work.top >= 800) {
    EXPECT_EQ(client.right, twips_to_pixels(kVeskoFirstWidthTwips, window->window.dpi()));
    EXPECT_EQ(client.bottom, twips_to_pixels(kVeskoFirstHeightTwips, window->window.dpi()));
  }

  type(L"img1");
  ASSERT_TRUE(settled());
  SetWindowPos(main, nullptr, 0, 0, 800, 700, SWP_NOMOVE | SWP_NOZORDER);
  const int drawn = ListView_GetColumnWidth(results(), 1);
  SetWindowPos(main, nullptr, 0, 0, 1250, 900, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GE(ListView_GetColumnWidth(results(), 1), drawn + 440);
  ListView_SetColumnWidth(results(), 1, 50);
  const std::string shortened = item_text(results(), 0, 1);
  EXPECT_NE(shortened.find("\xE2\x80\xA6"), std::string::npos) << shortened;
  EXPECT_EQ(shortened.front(), 'E');
  EXPECT_EQ(shortened.back(), '\\');
  ListView_SetColumnWidth(results(), 0, 50);
  const std::string name = item_text(results(), 0, 0);
  EXPECT_NE(name.find("\xE2\x80\xA6"), std::string::npos) << name;
  EXPECT_EQ(name.front(), 'i');
  EXPECT_EQ(name.back(), 'g');

  // A drag on the splitter: the catalogues grow, the results keep five rows at least.
  const auto rect_of = [](HWND control) {
    RECT at{};
    GetWindowRect(control, &at);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&at), 2);
    return at;
  };
  const RECT above = rect_of(catalogues);
  const int x = (above.left + above.right) / 2;
  const int y = above.bottom + 2;
  SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + 120));
  SendMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(x, y + 120));
  EXPECT_EQ(rect_of(catalogues).bottom, above.bottom + 120);
  SendMessageW(main, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y + 120));
  SendMessageW(main, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y + 5000));
  SendMessageW(main, WM_LBUTTONUP, 0, MAKELPARAM(x, y + 5000));
  EXPECT_GE(ListView_GetCountPerPage(results()), 5);

  // At the least size the window allows, every control has room.
  MINMAXINFO least{};
  SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&least));
  SetWindowPos(main, nullptr, 0, 0, least.ptMinTrackSize.x, least.ptMinTrackSize.y, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_GE(ListView_GetCountPerPage(results()), 5);
  EXPECT_GE(ListView_GetCountPerPage(catalogues), 2);
  EXPECT_GE(rect_of(query()).right - rect_of(query()).left, 300);

  // Moved to a monitor of 144 dots per inch.
  RECT suggested{10, 10, 1210, 910};
  SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window->window.dpi(), 144);
  EXPECT_EQ(rect_of(query()).bottom - rect_of(query()).top, twips_to_pixels(345, 144));
  EXPECT_EQ(ListView_GetColumnWidth(catalogues, 0), twips_to_pixels(catalogue_columns()[0].width, 144));
}

// Names of files and catalogues are as wide as those on screen (up to a
// cap), the folders take what is left, an age is never cut; a column the user
// sizes keeps the user's width through later searches and is the only one
// remembered.
TEST(Win32VeskoColumns, NamesFitTheRowsShownUntilTheUserSizesThem) {
  test::TempTree tree;
  std::string text = "E:\\Photos\\\r\n";
  for (int i = 0; i < 40; ++i)
    text += "a_rather_long_descriptive_name_of_photo_" + std::to_string(i) + ".jpg\t1\t 2020.1.2\t3:4.5\r\n";
  text += "short.txt\t7\t 2021.1.1\t0:0.0\r\n";
  tree.text_file("cats/Backup disk 2019-07 (photos).lst", text);
  VeskoWin32Form window(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                        std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")}, "", jobs::VeskoServices{},
                        SW_SHOWNORMAL);
  app::on_load(*window.vesko);
  const auto settled = [&] { return pump_until(&window, [&] { return !window.vesko->session().working(); }); };
  ASSERT_TRUE(settled());
  SetWindowPos(window.window.hwnd(), nullptr, 0, 0, 1400, 800, SWP_NOMOVE | SWP_NOZORDER);
  HWND results = window.window.control(VeskoControlId::lstResults);
  HWND catalogues = window.window.control(VeskoControlId::lstCatalogues);
  HWND query = window.window.control(VeskoControlId::txtQuery);
  const auto type = [&](std::wstring_view keys) {
    SetWindowTextW(query, L"");
    for (const wchar_t key : keys) SendMessageW(query, WM_CHAR, key, 1);
  };
  const int dpi = window.window.dpi();
  const int drawn = twips_to_pixels(result_columns()[0].width, dpi);
  EXPECT_GE(ListView_GetColumnWidth(catalogues, 6), ListView_GetStringWidth(catalogues, L"under a minute"));

  type(L"photo");
  ASSERT_TRUE(settled());
  const int fitted = ListView_GetColumnWidth(results, 0);
  EXPECT_GT(fitted, ListView_GetStringWidth(results, L"a_rather_long_descriptive_name_of_photo_10.jpg"));
  EXPECT_LE(fitted, twips_to_pixels(result_columns()[0].fit_most, dpi));
  EXPECT_GE(ListView_GetColumnWidth(results, 1), twips_to_pixels(result_columns()[1].width, dpi));
  const int catalogue = ListView_GetStringWidth(results, L"Backup disk 2019-07 (photos)");
  EXPECT_GT(ListView_GetColumnWidth(results, 4), catalogue);
  EXPECT_GT(ListView_GetColumnWidth(catalogues, 0), catalogue);
  // Short names give the width back to the folders, down to the drawn width.
  type(L"short");
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetColumnWidth(results, 0), drawn);

  // The user drags the name's edge (the header tells the window as it ends):
  // that width stays through the next search.
  HWND header = ListView_GetHeader(results);
  NMHEADERW dragged{};
  dragged.hdr = NMHDR{header, static_cast<UINT_PTR>(GetDlgCtrlID(header)), static_cast<UINT>(HDN_ENDTRACKW)};
  dragged.iItem = 0;
  SendMessageW(window.window.hwnd(), WM_NOTIFY, dragged.hdr.idFrom, reinterpret_cast<LPARAM>(&dragged));
  ListView_SetColumnWidth(results, 0, drawn + 40);
  type(L"photo");
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetColumnWidth(results, 0), drawn + 40);
  const VeskoWindowMemory memory = window.memory();
  EXPECT_EQ(memory.result_widths, (std::vector<int>{drawn + 40, 0, 0, 0, 0}));
  EXPECT_EQ(memory.catalogue_widths, std::vector<int>(catalogue_columns().size(), 0));
}

// The catalogue chosen keeps the highlight colour while the query box has
// the focus; Ctrl+A selects the query; F1 shows the query language in a
// fixed-width font.
TEST_F(Win32VeskoTest, TheSelectionStaysVisibleAndTheKeysDoWhatTheySay) {
  HWND catalogues = window->window.control(VeskoControlId::lstCatalogues);
  SetForegroundWindow(window->window.hwnd());
  ListView_SetItemState(catalogues, 0, LVIS_SELECTED, LVIS_SELECTED);
  SetFocus(query());
  ASSERT_TRUE(settled());
  RedrawWindow(catalogues, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT row{};
  ListView_GetItemRect(catalogues, 0, &row, LVIR_BOUNDS);
  HDC dc = GetDC(catalogues);
  // Beside the entries' count, right-aligned in its column: background only.
  RECT count{};
  ListView_GetSubItemRect(catalogues, 0, 2, LVIR_BOUNDS, &count);
  const COLORREF background = GetPixel(dc, count.left + 3, (row.top + row.bottom) / 2);
  ReleaseDC(catalogues, dc);
  EXPECT_EQ(background, GetSysColor(COLOR_HIGHLIGHT));

  type(L"notes");
  SendMessageW(query(), EM_SETSEL, 5, 5);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(query(), WM_KEYDOWN, 'A', 1);
  DWORD start = 1;
  DWORD end = 0;
  EXPECT_TRUE(pump_until(window.get(), [&] {
    SendMessageW(query(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return start == 0 && end == 5;
  }));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);

  // The help window is modal: another thread reads it and closes it.
  std::atomic<bool> closed = false;
  std::string help;
  bool fixed_pitch = false;
  std::thread reader([&] {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    HWND text = nullptr;
    // Shown once it is filled.
    while (((text = FindWindowW(nullptr, to_wide(app::kQueryHelpTitle).c_str())) == nullptr ||
            IsWindowVisible(text) == FALSE) &&
           std::chrono::steady_clock::now() < until)
      Sleep(20);
    if (text != nullptr) {
      HWND box = GetDlgItem(text, kTextWindowTextId);
      help = window_text(box);
      HDC box_dc = GetDC(box);
      HGDIOBJ old = SelectObject(box_dc, reinterpret_cast<HGDIOBJ>(SendMessageW(box, WM_GETFONT, 0, 0)));
      TEXTMETRICW metrics{};
      GetTextMetricsW(box_dc, &metrics);
      fixed_pitch = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;  // the bit set means variable
      SelectObject(box_dc, old);
      ReleaseDC(box, box_dc);
      PostMessageW(text, WM_COMMAND, IDOK, 0);
    }
    closed = true;
  });
  // The windows of earlier tests posted WM_QUIT as they went, which would end the modal loop at once.
  MSG quit{};
  while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE) {
  }
  PostMessageW(query(), WM_KEYDOWN, VK_F1, 1);
  EXPECT_TRUE(pump_until(window.get(), [&] { return closed.load(); }));
  reader.join();
  EXPECT_NE(help.find("type:file  type:folder"), std::string::npos) << help;
  EXPECT_TRUE(fixed_pitch);
}

// The clipboard's text, as another program reads it.
std::wstring clipboard_text() {
  std::wstring text;
  if (OpenClipboard(nullptr) == FALSE) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    text = static_cast<const wchar_t*>(GlobalLock(data));
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

// Rows chosen together are copied together (Ctrl+C: their paths, CR LF
// between them); Ctrl+A chooses every row; the window comes back as it was
// left, on a monitor that is there, its memory kept in the registry.
TEST_F(Win32VeskoTest, ManyRowsAreCopiedAndTheWindowIsRemembered) {
  SetForegroundWindow(window->window.hwnd());
  type(L"img1");
  ASSERT_TRUE(settled());
  SetFocus(results());
  for (int row = 0; row < 3; ++row) ListView_SetItemState(results(), row, LVIS_SELECTED, LVIS_SELECTED);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  PostMessageW(results(), WM_KEYDOWN, 'C', 1);
  EXPECT_TRUE(pump_until(window.get(), [&] { return !clipboard_text().empty(); }));
  EXPECT_EQ(clipboard_text(), L"E:\\Photos\\img1.jpg\r\nE:\\Photos\\img10.jpg\r\nE:\\Photos\\img11.jpg");
  PostMessageW(results(), WM_KEYDOWN, 'A', 1);
  EXPECT_TRUE(pump_until(window.get(), [&] { return ListView_GetSelectedCount(results()) == 1111u; }));
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);

  VeskoWindowMemory memory;
  memory.dpi = window->window.dpi();
  memory.rect = PixelRect{-5000, 40, 700, 520};  // where a monitor that is gone was
  memory.split = 140;
  memory.result_widths = {111, 0, 77, 150, 90};
  memory.sort_column = 2;
  memory.sort_descending = true;
  memory.catalogue_sort_column = 1;
  memory.view_rect = PixelRect{60, -4000, 640, 380};  // the view window, above any screen
  window->restore(memory);
  RECT at{};
  GetWindowRect(window->window.hwnd(), &at);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoW(MonitorFromWindow(window->window.hwnd(), MONITOR_DEFAULTTONEAREST), &monitor);
  EXPECT_GE(at.left, monitor.rcWork.left);
  EXPECT_EQ(at.right - at.left, 700);
  EXPECT_EQ(ListView_GetColumnWidth(results(), 0), 111);
  HDITEMW size_header{};
  size_header.mask = HDI_FORMAT;
  Header_GetItem(ListView_GetHeader(results()), 2, &size_header);
  EXPECT_NE(size_header.fmt & HDF_SORTDOWN, 0);
  EXPECT_EQ(window->vesko->session().catalogue_sort(), (std::pair{1, false}));
  // The view window opens where it was left, on the screen.
  window->vesko->views().show_duplicates();
  ASSERT_TRUE(pump_until(window.get(), [&] { return !window->vesko->views().working(); }));
  ASSERT_NE(window->host.view(), nullptr);
  RECT view_at{};
  GetWindowRect(window->host.view()->hwnd(), &view_at);
  EXPECT_GE(view_at.top, monitor.rcWork.top);
  EXPECT_EQ(view_at.right - view_at.left, 640);
  const VeskoWindowMemory kept = window->memory();
  EXPECT_EQ(kept.split, 140);
  EXPECT_EQ(kept.result_widths.front(), 111);
  EXPECT_EQ(kept.sort_column, 2);
  EXPECT_EQ(kept.catalogue_sort_column, 1);
  ASSERT_TRUE(kept.view_rect);
  EXPECT_EQ(kept.view_rect->width, 640);

  const wchar_t* key = L"Software\\Korvint\\VeskoTest";
  const std::string text = window_memory_text(kept) + "caf\xC3\xA9";
  ASSERT_TRUE(write_user_text(key, L"Window", text));
  EXPECT_EQ(read_user_text(key, L"Window"), text);
  EXPECT_EQ(read_user_text(key, L"Missing"), std::nullopt);
  RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

// Both programs carry a manifest: the visual-styles controls, per-monitor
// DPI awareness, the Windows versions, no elevation. This test program
// carries one too: its list views are version 6.
TEST(VeskoExe, BothProgramsCarryTheirApplicationManifest) {
  for (const std::wstring& exe : {vesko_exe(), korvint_exe()}) {
    SCOPED_TRACE(to_utf8(exe));
    HMODULE image = LoadLibraryExW(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    HRSRC found = FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(image, found)));
    const std::string manifest(bytes, SizeofResource(image, found));
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2",
                             ">true/pm<", "level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
      EXPECT_NE(manifest.find(part), std::string::npos) << part;
    FreeLibrary(image);
  }
  // The common controls this program loaded are version 6: the side-by-side
  // assembly's (Wine's reports 5.80 for both, so its place tells).
  HMODULE controls = GetModuleHandleW(L"comctl32.dll");
  ASSERT_NE(controls, nullptr);
  wchar_t loaded[MAX_PATH] = {};
  GetModuleFileNameW(controls, loaded, MAX_PATH);
  std::wstring place = loaded;
  CharLowerW(place.data());
  EXPECT_NE(place.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos)
      << to_utf8(loaded);
}

TEST(VeskoExe, KorvintsButtonStartsItAndItOpensItsWindow) {
  test::FormFixture f;
  const fs::path beside = fs::path(f.form().services.program_folder) / shell::vesko_file_name();
  fs::copy_file(fs::path(vesko_exe()), beside);
  shell::Command8_Click(f.form());
  EXPECT_TRUE(f.window->host.messages.empty());
  HWND vesko = nullptr;
  ASSERT_TRUE(pump_until(nullptr, [&] { return (vesko = FindWindowW(kVeskoWindowClass, L"Vesko")) != nullptr; }));
  PostMessageW(vesko, WM_CLOSE, 0, 0);
  EXPECT_TRUE(pump_until(nullptr, [&] { return FindWindowW(kVeskoWindowClass, L"Vesko") == nullptr; }));
}

using test::run_program;

std::wstring in_quotes(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

// Runs Vesko.exe with `arguments`, its output and errors into one pipe.
std::pair<DWORD, std::string> run_vesko_exe(const std::wstring& arguments) {
  test::ProgramRun ran = run_program(in_quotes(vesko_exe()) + L" " + arguments);
  return {ran.code, std::move(ran.output)};
}

TEST(VeskoExe, WithAQueryItWritesUtf8LinesEndedByCrLfToItsOutput) {
  test::TempTree tree;
  tree.text_file("cats/d.lst", "D:\\\r\nb\xC3\xA4r.txt\t5\t 2020.1.2\t3:4.5\r\nother.doc\t1\t 2020.1.2\t3:4.5\r\n");
  const std::wstring cats = L"--catalogues \"" + (tree.root() / "cats").wstring() + L"\" ";
  const std::string bar = "d\tD:\\b\xC3\xA4r.txt\t5\t2020-01-02 03:04:05\r\n";
  struct Case {
    std::wstring arguments;
    DWORD code;
    std::string output;
  };
  const Case cases[] = {
      {cats + L"txt", 0, bar},
      // Accents ignored by a word without them; "-doc" after the first word leaves names out.
      {cats + L"bar -doc", 0, bar},
      {cats + L"\"size:>1\" \"\\\"r.txt\\\"\"", 0, bar},  // the help's cmd.exe quoting
      // Messages name the program as it was started.
      {cats + L"typ:file", 2, "Vesko.exe: unknown prefix typ: \xE2\x80\x94 did you mean type:?\r\n"},
  };
  for (const Case& c : cases) {
    const auto [code, output] = run_vesko_exe(c.arguments);
    EXPECT_EQ(code, c.code) << output;
    EXPECT_EQ(output, c.output);
  }
}

TEST(VeskoExe, ItTellsApartAScanInProgressByItsLock) {
  const std::string entry = "\t1\t 2020.1.1\t0:0.0\r\n";
  struct Case {
    const char* state;
    bool held;  // else a lock file nobody holds
    bool backup;
    const char* found;
    const char* note;
  };
  const Case cases[] = {
      {"a rescan", true, true, "whole.mp3", "d.lst is being written: searched its last complete version, d.lst.old"},
      {"a first scan", true, false, "half.mp3", "d.lst is being written: incomplete"},
      {"a killed scan", false, true, "whole.mp3", "d.lst is incomplete (its scan was interrupted)"},
  };
  for (const Case& c : cases) {
    test::TempTree tree;
    tree.text_file("cats/d.lst", "D:\\\r\nhalf.mp3" + entry);
    if (c.backup) tree.text_file("cats/d.lst.old", "D:\\\r\nwhole.mp3" + entry);
    const std::string lock = test::path_text(tree.root() / "cats" / "d.lst.lock");
    platform::LockAttempt scan;
    if (c.held) {
      scan = platform::system_file_services().lock_file(lock);
      ASSERT_TRUE(scan.lock) << scan.error.message();
    } else {
      tree.text_file("cats/d.lst.lock", "");
    }
    const test::ProgramRun ran = run_program(in_quotes(vesko_exe()) + L" --catalogues " + in_quotes(tree.root() / "cats") + L" mp3");
    EXPECT_EQ(ran.code, 0u) << c.state << ": " << ran.output;
    EXPECT_NE(ran.output.find(c.found), std::string::npos) << c.state << ": " << ran.output;
    EXPECT_NE(ran.output.find(c.note), std::string::npos) << c.state << ": " << ran.output;
  }
}

TEST(VeskoExe, ARescanWhileItsWindowIsOpenLeavesNoBackup) {
  test::TempTree tree;
  tree.text_file("disk/a.txt", "a");
  tree.text_file("disk/sub/b.txt", "b");
  tree.folder("cats");
  const std::wstring scan = in_quotes(korvint_exe()) + L" /" + (tree.root() / "disk").wstring() + L"\\ /" +
                            (tree.root() / "cats" / "disk.lst").wstring();
  ASSERT_EQ(run_program(scan).code, 0u);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::wstring command = in_quotes(vesko_exe()) + L" --catalogues " + in_quotes(tree.root() / "cats");
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  // Whatever happens below, the window goes at the end.
  struct Closes {
    PROCESS_INFORMATION& process;
    ~Closes() {
      if (HWND window = FindWindowW(kVeskoWindowClass, L"Vesko")) PostMessageW(window, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
  } closes{process};
  HWND vesko = nullptr;
  HWND query = nullptr;
  HWND status = nullptr;
  // Its window, once its controls are made and it has read the catalogue folder.
  ASSERT_TRUE(pump_until(nullptr, [&] {
    vesko = FindWindowW(kVeskoWindowClass, L"Vesko");
    query = vesko == nullptr ? nullptr : GetDlgItem(vesko, vesko_child_window_id(VeskoControlId::txtQuery));
    status = vesko == nullptr ? nullptr : GetDlgItem(vesko, vesko_child_window_id(VeskoControlId::lblStatus));
    return status != nullptr && window_text(status).rfind("1 catalogue", 0) == 0;
  }));
  // A search, so the window shows rows of the catalogue.
  for (const wchar_t key : std::wstring(L"txt")) SendMessageW(query, WM_CHAR, key, 1);
  ASSERT_TRUE(pump_until(nullptr, [&] { return window_text(status).rfind("2 found", 0) == 0; }))
      << window_text(status);

  for (int rescan = 0; rescan < 2; ++rescan) {
    tree.text_file("disk/c" + std::to_string(rescan) + ".txt", "c");
    const test::ProgramRun ran = run_program(scan);
    EXPECT_EQ(ran.code, 0u) << ran.output;
    EXPECT_FALSE(fs::exists(tree.root() / "cats" / "disk.lst.old")) << "rescan " << rescan << ": " << ran.output;
    // The window reads the new catalogue by itself.
    const std::string found = std::to_string(3 + rescan) + " found";
    EXPECT_TRUE(pump_until(nullptr, [&] { return window_text(status).rfind(found, 0) == 0; }))
        << window_text(status);
  }
  PostMessageW(vesko, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace korvint::hosts::win32
