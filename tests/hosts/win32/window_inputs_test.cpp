// Odd text typed into the window's boxes: very long, only spaces, characters
// the file system refuses. Scan never crashes, reports why no catalogue could
// be made, and never loses the catalogue that is already there.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/win32/win32_text.h"
#include "window_test_support.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;
namespace {

namespace fs = std::filesystem;
using test::path_text;
using test::read_file;
using test::WindowFixture;

const std::string kEarlier = "C:\\earlier\\\r\nold.txt\t1\t 2001.1.1\t0:0.0\r\n";
constexpr std::size_t kLong = 10000;

// The whole text of a control, however long.
std::string long_text_of(HWND control) {
  const LRESULT length = SendMessageW(control, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT got = SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(got));
  return platform::win32::to_utf8(text);
}

// Every file in `folder`, by name.
std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(path_text(entry.path().filename()));
  return names;
}

TEST(Win32WindowInputs, TheBoxesKeepTenThousandCharactersAndTakeMoreTyped) {
  WindowFixture fixture;
  for (const ControlId id : {ControlId::Text1, ControlId::Text4, ControlId::Text5}) {
    HWND box = fixture.control(id);
    const std::string text(kLong, 'x');
    test::set_text(box, text);
    EXPECT_EQ(long_text_of(box), text);
    // What the handlers read is the whole text too.
    TextBox& model = id == ControlId::Text1 ? fixture.window->form.Text1
                     : id == ControlId::Text4 ? fixture.window->form.Text4
                                              : fixture.window->form.Text5;
    EXPECT_EQ(model.text().size(), kLong);
    // The user can type on at its end: the box's limit lies beyond it.
    EXPECT_GT(static_cast<std::size_t>(SendMessageW(box, EM_GETLIMITTEXT, 0, 0)), kLong);
    SendMessageW(box, EM_SETSEL, kLong, kLong);
    SendMessageW(box, WM_CHAR, L'y', 1);
    EXPECT_EQ(long_text_of(box), text + "y");
  }
}

TEST(Win32WindowInputs, AnOutputThatCannotBeMadeIsReportedAndTheEarlierCatalogueStays) {
  const std::string refused = "a<b>c|?";
  struct Case {
    std::string name;    // for Text4
    std::string folder;  // below "out", for Text5
  };
  const Case cases[] = {
      {std::string(kLong, 'n'), ""},
      {refused, ""},
      {"cat.lst", std::string(kLong, 'f') + "\\"},
      {"cat.lst", refused + "\\"},
  };
  for (const Case& c : cases) {
    WindowFixture fixture;
    fixture.tree.text_file("data/a.txt", "x");
    fixture.prepare_scan(fixture.tree.root() / "data", "cat.lst");
    test::write_file(fixture.output("cat.lst"), kEarlier);
    test::set_text(fixture.control(ControlId::Text5), path_text(fixture.tree.root() / "out") + "\\" + c.folder);
    test::set_text(fixture.control(ControlId::Text4), c.name);

    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    fixture.pump();

    const std::string shown = long_text_of(fixture.control(ControlId::Label2));
    const std::string what = c.name.substr(0, 20) + " in " + c.folder.substr(0, 20);
    EXPECT_EQ(shown.rfind("Cannot ", 0), 0u) << what << ": " << shown.substr(0, 300);
    // The reason follows the path.
    EXPECT_GT(shown.size(), shown.rfind("\": ") + 3) << what << ": " << shown.substr(0, 300);
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label1)), "Scan failed:") << what;
    EXPECT_EQ(test::text_of(fixture.window->window.hwnd()), "Finished!");
    EXPECT_TRUE(IsWindowEnabled(fixture.control(ControlId::Command1)));
    EXPECT_EQ(read_file(fixture.output("cat.lst")), kEarlier) << what;
    EXPECT_EQ(names_in(fixture.tree.root() / "out"), std::vector<std::string>{"cat.lst"}) << what;
  }
}

// A root that cannot be opened fails the scan in the window, naming the root
// and the reason, and nothing under the output name is written.
TEST(Win32WindowInputs, ARootThatCannotBeOpenedFailsAndWritesNothing) {
  for (const std::string& root : {std::string(kLong, 'r') + "\\", std::string("a<b>c|?\\")}) {
    WindowFixture fixture;
    fixture.prepare_scan(fixture.tree.root(), "cat.lst");
    test::write_file(fixture.output("cat.lst"), kEarlier);
    const std::string typed = path_text(fixture.tree.root()) + "\\" + root;
    test::set_text(fixture.control(ControlId::Text1), typed);
    test::set_text(fixture.control(ControlId::Text4), "unreadable.lst");

    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    fixture.pump();

    const std::string shown = long_text_of(fixture.control(ControlId::Label2));
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label1)), "Scan failed:") << shown.substr(0, 300);
    EXPECT_EQ(shown.rfind("Cannot open \"" + typed + "\": ", 0), 0u) << shown.substr(0, 300);
    EXPECT_GT(shown.size(), shown.rfind("\": ") + 3) << "no reason after the root";
    EXPECT_FALSE(fs::exists(fixture.output("unreadable.lst")));
    EXPECT_EQ(read_file(fixture.output("cat.lst")), kEarlier);
  }
}

// Runs `body` with the current folder set to `folder`, then sets it back.
template <typename Body>
void in_folder(const fs::path& folder, Body body) {
  wchar_t previous[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));
  body();
  SetCurrentDirectoryW(previous);
}

TEST(Win32WindowInputs, BoxesOfSpacesOnlyAreTakenAsEmpty) {
  WindowFixture fixture;
  fixture.tree.text_file("data/a.txt", "x");
  const fs::path here = fixture.tree.folder("here");
  in_folder(here, [&] {
    // An empty name names no catalogue: refused, nothing written.
    fixture.prepare_scan(fixture.tree.root() / "data", "     ");
    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label1)), "Scan failed:");
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label2)), "No name for the catalogue: the name box is empty");
    EXPECT_TRUE(fs::is_empty(fixture.output("")));

    // The output folder is used as typed: spaces before the name, a file of
    // the current folder, whatever the system makes of such a name.
    test::set_text(fixture.control(ControlId::Text5), "   ");
    test::set_text(fixture.control(ControlId::Text4), "cat.lst");
    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label1)).rfind("seconds it took:", 0), 0u)
        << long_text_of(fixture.control(ControlId::Label2));
    EXPECT_EQ(names_in(here).size(), 1u);

    // An empty root names no folder (completed, it would be the whole current
    // drive): refused, and the earlier catalogue stays as it is.
    test::write_file(fixture.output("cat.lst"), kEarlier);
    test::set_text(fixture.control(ControlId::Text5), path_text(fixture.tree.root() / "out") + "\\");
    test::set_text(fixture.control(ControlId::Text1), "          ");
    SendMessageW(fixture.control(ControlId::Command1), BM_CLICK, 0, 0);
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label1)), "Scan failed:");
    EXPECT_EQ(test::text_of(fixture.control(ControlId::Label2)), "Nothing to scan: the path box is empty");
    EXPECT_EQ(read_file(fixture.output("cat.lst")), kEarlier);
    EXPECT_FALSE(fs::exists(fixture.output("cat.lst.old")));
  });
}

}  // namespace
}  // namespace korvint::hosts::win32
