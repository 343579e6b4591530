// Vesko's Win32 window (under Wine in the Windows build): a query typed as
// window messages, the owner-data list view's item count and texts, a header
// click, the keys; Vesko.exe started by Korvint's button, and as a
// command-line tool writing to a pipe.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include "hosts/win32/vesko_window.h"
#include "platform/win32/win32_text.h"
#include "shell/companion.h"
#include "support/form_fixture.h"
#include "support/temp_tree.h"

namespace korvint::ui::win32 {
namespace {

namespace fs = std::filesystem;
using platform::win32::to_utf8;
using platform::win32::to_wide;

// Waits for `condition` while the window's messages are delivered.
bool pump_until(VeskoWin32Window* window, const std::function<bool()>& condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    if (window != nullptr) {
      window->deliver_pending();
    } else {
      MSG msg{};
      while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != FALSE) DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
  }
  return true;
}

// Vesko.exe; the build gives its host path, which Wine shows as drive Z:.
std::wstring vesko_exe() {
  std::string path = VESKO_EXE;
  if (!path.empty() && path.front() == '/') {
    path = "Z:" + path;
    for (char& c : path) c = c == '/' ? '\\' : c;
  }
  return to_wide(path);
}

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
    window = std::make_unique<VeskoWin32Window>(app::VeskoWindowOptions{{test::path_text(tree.root() / "cats")}, {}},
                                                std::vector<std::string>{test::path_text(tree.root() / "Vesko.ini")},
                                                "", jobs::VeskoServices{}, SW_SHOWNORMAL);
    window->vesko().Form_Load();
    EXPECT_TRUE(settled());
  }

  bool settled() { return pump_until(window.get(), [&] { return !window->vesko().session().working(); }); }
  HWND results() const { return window->control(VeskoControlId::lstResults); }
  HWND query() const { return window->control(VeskoControlId::txtQuery); }

  void type(std::wstring_view keys) {
    for (const wchar_t key : keys) SendMessageW(query(), WM_CHAR, key, 1);
  }

  test::TempTree tree;
  std::unique_ptr<VeskoWin32Window> window;
};

TEST_F(Win32VeskoTest, ATypedQueryFillsTheOwnerDataListView) {
  wchar_t title[32] = {};
  GetWindowTextW(window->hwnd(), title, 32);
  EXPECT_EQ(std::wstring(title), L"Vesko");
  EXPECT_NE(GetWindowLongW(results(), GWL_STYLE) & LVS_OWNERDATA, 0);
  HWND catalogues = window->control(VeskoControlId::lstCatalogues);
  ASSERT_EQ(ListView_GetItemCount(catalogues), 1);
  EXPECT_EQ(item_text(catalogues, 0, 1), "E:\\Photos\\");
  EXPECT_EQ(item_text(catalogues, 0, 2), "2,002");

  type(L"img1");
  ASSERT_TRUE(settled());
  EXPECT_EQ(ListView_GetItemCount(results()), 1111);
  EXPECT_EQ(item_text(results(), 0, 0), "img1.jpg");
  EXPECT_EQ(item_text(results(), 0, 1), "E:\\Photos\\");
  EXPECT_EQ(item_text(results(), 0, 3), "2020-01-02 03:04:05");
  EXPECT_EQ(item_text(results(), 0, 4), "photos");
  const std::string status = vesko_window_text(window->control(VeskoControlId::lblStatus));
  EXPECT_EQ(status.rfind("1,111 found in 1 catalogue (2,002 entries) in ", 0), 0u) << status;

  // Backspace, and the results follow.
  SendMessageW(query(), WM_CHAR, VK_BACK, 1);
  type(L"12");
  SendMessageW(query(), WM_CHAR, VK_BACK, 1);
  SendMessageW(query(), WM_CHAR, L'7', 1);
  ASSERT_TRUE(settled());
  EXPECT_EQ(vesko_window_text(query()), "img17");
  EXPECT_EQ(ListView_GetItemCount(results()), 111);

  // A click on the Size header twice: largest first.
  for (int click = 0; click < 2; ++click) {
    NMLISTVIEW notice{};
    notice.hdr = NMHDR{results(), static_cast<UINT_PTR>(GetDlgCtrlID(results())), LVN_COLUMNCLICK};
    notice.iItem = -1;
    notice.iSubItem = 2;
    SendMessageW(window->hwnd(), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
    ASSERT_TRUE(settled());
  }
  EXPECT_EQ(item_text(results(), 0, 0), "img1799.jpg");
  EXPECT_EQ(item_text(results(), 0, 2), "1,799");
}

TEST_F(Win32VeskoTest, KeysMoveBetweenQueryAndResultsAndEscClears) {
  SetForegroundWindow(window->hwnd());
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
  EXPECT_EQ(vesko_window_text(query()), "");
  EXPECT_EQ(ListView_GetItemCount(results()), 0);
}

TEST(VeskoExe, KorvintsButtonStartsItAndItOpensItsWindow) {
  test::FormFixture f;
  const fs::path beside = fs::path(f.form().services.program_folder) / shell::companion_file_name();
  fs::copy_file(fs::path(vesko_exe()), beside);
  shell::Command8_Click(f.form());
  EXPECT_TRUE(f.window->host.messages.empty());
  HWND vesko = nullptr;
  ASSERT_TRUE(pump_until(nullptr, [&] { return (vesko = FindWindowW(kVeskoWindowClass, L"Vesko")) != nullptr; }));
  PostMessageW(vesko, WM_CLOSE, 0, 0);
  EXPECT_TRUE(pump_until(nullptr, [&] { return FindWindowW(kVeskoWindowClass, L"Vesko") == nullptr; }));
}

// Runs Vesko.exe with `arguments`, its output and errors into one pipe.
std::pair<DWORD, std::string> run_vesko_exe(const std::wstring& arguments) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE read_end = nullptr;
  HANDLE write_end = nullptr;
  EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
  SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
  std::wstring command = L"\"" + vesko_exe() + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = write_end;
  startup.hStdError = write_end;
  PROCESS_INFORMATION process{};
  const bool started =
      CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process) != FALSE;
  EXPECT_TRUE(started);
  CloseHandle(write_end);
  std::string output;
  char block[4096];
  DWORD got = 0;
  while (started && ReadFile(read_end, block, sizeof block, &got, nullptr) != FALSE && got > 0) output.append(block, got);
  DWORD code = 99;
  if (started) {
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
  }
  CloseHandle(read_end);
  return {code, output};
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

}  // namespace
}  // namespace korvint::ui::win32
