#include "app/help_and_shortcuts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "jobs/scan_job.h"
#include "support/form_fixture.h"

namespace korvint::app {
namespace {

using test::FormFixture;

TEST(Help, ShowsThreeLinesTitledKorvint) {
  FormFixture f;
  Command2_Click(f.form());
  ASSERT_EQ(f.window->host.messages.size(), 1u);
  const auto& shown = f.window->host.messages[0];
  EXPECT_EQ(shown.title, "Korvint");
  EXPECT_EQ(shown.text,
            "Creates a .lst file compatible with the Korvint plugin for TotalCommander. Useful for "
            "creating catalogs from a batch file.\r\n"
            "Command line arguments example: Korvint /c:\\testdir\\ /c:\\testdir.lst\r\n");
}

TEST(Shortcuts, PClicksAtThePointerButNotWhileTypingInABox) {
  FormFixture f;
  for (std::int16_t shift : {0, 1, 2, 4}) Form_KeyUp(f.form(), kKeyP, shift);
  EXPECT_EQ(f.window->host.clicks_injected, 4);
  f.window->host.focus_in_text_box = true;
  Form_KeyUp(f.form(), kKeyP, 0);
  EXPECT_EQ(f.window->host.clicks_injected, 4);
}

TEST(Shortcuts, OnlyAltXCloses) {
  FormFixture f;
  for (std::int16_t shift : {0, 1, 2, 3, 5, 6, 7}) Form_KeyUp(f.form(), kKeyX, shift);
  EXPECT_FALSE(f.window->host.closed);
  Form_KeyUp(f.form(), kKeyX, ui::vbAltMask);
  EXPECT_TRUE(f.window->host.closed);
}

TEST(Shortcuts, AltXDuringAScanStopsItPutsTheEarlierCatalogueBackAndCloses) {
  FormFixture f;
  // Enough files for a progress step, at which the queued Alt+X runs.
  for (int i = 0; i < 600; ++i) f.tree.file("root/f" + std::to_string(i), 1, 0);
  f.tree.file("root/zsub/inner", 5, 0);
  f.prepare_scan("root", "cat.lst");
  test::write_file(f.output("cat.lst"), "earlier\r\n");
  f.window->host.queue([&] { Form_KeyUp(f.form(), kKeyX, ui::vbAltMask); });
  jobs::Command1_Click(f.form());
  EXPECT_TRUE(f.window->host.closed);
  EXPECT_EQ(test::read_file(f.output("cat.lst")), "earlier\r\n");
  EXPECT_FALSE(std::filesystem::exists(f.output("cat.lst.old")));
}

}  // namespace
}  // namespace korvint::app
