#include "shell/vesko_launcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/form_fixture.h"

namespace korvint::shell {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;

fs::path vesko_beside(FormFixture& f) { return fs::path(f.form().services.program_folder) / vesko_file_name(); }

TEST(VeskoLauncher, LooksForTheProgramTheBuildShipsBesideKorvint) {
  EXPECT_EQ(vesko_file_name(), VESKO_FILE_NAME);
}

TEST(VeskoLauncher, MissingSaysWhereItMustBe) {
  FormFixture f;
  Command8_Click(f.form());
  fs::create_directory(vesko_beside(f));  // a folder of that name does not count
  Command8_Click(f.form());
  ASSERT_EQ(f.window->host.messages.size(), 2u);
  for (const auto& shown : f.window->host.messages) {
#ifdef _WIN32
    EXPECT_EQ(shown.text, "Vesko.exe must be in the same folder as Korvint.exe");
#else
    EXPECT_EQ(shown.text, "vesko must be in the same folder as korvint");
#endif
    EXPECT_EQ(shown.title, "Korvint");
  }
}

#ifndef _WIN32
TEST(VeskoLauncher, StartsWithoutWaitingEachPress) {
  FormFixture f;
  const fs::path marker = f.tree.root() / "started";
  test::write_file(vesko_beside(f), "#!/bin/sh\necho x >> '" + marker.string() + "'\n");
  fs::permissions(vesko_beside(f), fs::perms::owner_all);
  Command8_Click(f.form());
  Command8_Click(f.form());
  EXPECT_TRUE(f.window->host.messages.empty());
  for (int i = 0; i < 6000 && test::read_file(marker).size() < 4; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(test::read_file(marker), "x\nx\n");
}

TEST(VeskoLauncher, PresentButNotStartableSaysWhy) {
  FormFixture f;
  test::write_file(vesko_beside(f), "not a program");
  fs::permissions(vesko_beside(f), fs::perms::owner_read | fs::perms::owner_write);
  f.window->Label2.setCaption("unchanged");
  Command8_Click(f.form());
  ASSERT_EQ(f.window->host.messages.size(), 1u);
  EXPECT_NE(f.window->host.messages[0].text.find(vesko_beside(f).string()), std::string::npos);
  EXPECT_NE(f.window->host.messages[0].text.find("ermission denied"), std::string::npos);
  EXPECT_EQ(f.window->Label2.caption(), "unchanged");
}
#endif

}  // namespace
}  // namespace korvint::shell
