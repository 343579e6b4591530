// Vesko.ini: where it is looked for, what is read from it, and the write-back.

#include <gtest/gtest.h>

#include "platform/file_services.h"
#include "shell/vesko_settings.h"
#include "support/temp_tree.h"

namespace korvint::shell {
namespace {

TEST(VeskoSettingsTest, LooksInTheProgramFolderFirstThenTheConfigurationFolder) {
#ifdef _WIN32
  EXPECT_EQ(vesko_ini_places("C:\\Tools", "C:\\cfg", "C:\\home"), std::vector<std::string>{"C:\\Tools\\Vesko.ini"});
#else
  using Places = std::vector<std::string>;
  EXPECT_EQ(vesko_ini_places("/opt/k", "/cfg", "/home/ann"), (Places{"/opt/k/Vesko.ini", "/cfg/korvint/Vesko.ini"}));
  // A relative XDG_CONFIG_HOME is ignored, as the XDG rules say.
  EXPECT_EQ(vesko_ini_places("/opt/k", "cfg", "/home/ann"),
            (Places{"/opt/k/Vesko.ini", "/home/ann/.config/korvint/Vesko.ini"}));
  EXPECT_EQ(vesko_ini_places("/opt/k", nullptr, nullptr), (Places{"/opt/k/Vesko.ini"}));
#endif
}

TEST(VeskoSettingsTest, ReadsTheFirstFileFoundElseKorvintsDefault) {
  test::TempTree tree;
  const std::string program = test::path_text(tree.root() / "program" / "Vesko.ini");
  const std::string config = test::path_text(tree.root() / "config" / "Vesko.ini");
  const std::vector<std::string> places = {program, config};
  platform::FileServices& files = platform::system_file_services();

  VeskoSettings settings = read_vesko_settings(files, places, "default/");
  EXPECT_EQ(settings.catalogue_folder, "default/");
  EXPECT_EQ(settings.ini_path, "");
#ifdef _WIN32
  EXPECT_EQ(settings_file_for_writing(settings, places), program);
#else
  EXPECT_EQ(settings_file_for_writing(settings, places), config);  // program folders are seldom writable
#endif

  tree.text_file("config/Vesko.ini", "/data/catalogues\nencoding=CP1251\n");
  settings = read_vesko_settings(files, places, "default/");
  EXPECT_EQ(settings.catalogue_folder, "/data/catalogues");
  EXPECT_EQ(settings.ini_path, config);
  EXPECT_EQ(settings.encoding, "CP1251");

  tree.text_file("program/Vesko.ini", "D:\\Catalogues\\\r\nwindow=1\r\n");
  settings = read_vesko_settings(files, places, "default/");
  EXPECT_EQ(settings.catalogue_folder, "D:\\Catalogues\\");
  EXPECT_EQ(settings.ini_path, program);
  EXPECT_EQ(settings.encoding, "");
  EXPECT_EQ(settings_file_for_writing(settings, places), program);
}

TEST(VeskoSettingsTest, AnEmptyFirstLineSetsNoFolderAndAMarkIsNoPartOfIt) {
  test::TempTree tree;
  const std::string ini = test::path_text(tree.root() / "Vesko.ini");
  platform::FileServices& files = platform::system_file_services();
  const std::string existing = test::path_text(tree.folder("default"));
  struct Case {
    const char* content;
    std::string folder;
    bool set;
    std::string encoding;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBF/data/cats\r\nencoding=CP1251\r\n", "/data/cats", true, "CP1251"},
      {"\r\nencoding=CP1250\r\n", existing, false, "CP1250"},
      {"\xEF\xBB\xBF\r\n", existing, false, ""},
  };
  for (const Case& c : cases) {
    test::write_file(ini, c.content);
    const VeskoSettings settings = read_vesko_settings(files, {ini}, existing);
    EXPECT_EQ(settings.catalogue_folder, c.folder) << c.content;
    EXPECT_EQ(settings.folder_set, c.set) << c.content;
    EXPECT_EQ(settings.encoding, c.encoding) << c.content;
    EXPECT_EQ(settings.ini_path, ini) << c.content;  // a changed folder is written here
  }
  // Vesko searches the folder set, else Korvint's default folder while it exists.
  VeskoSettings none{existing, "", "", false};
  EXPECT_EQ(vesko_catalogue_folder(none, files), existing);
  none.catalogue_folder = existing + "/missing";
  EXPECT_EQ(vesko_catalogue_folder(none, files), std::nullopt);
  EXPECT_EQ(vesko_catalogue_folder(VeskoSettings{"/missing", ini, "", true}, files), "/missing");
}

TEST(VeskoSettingsTest, WriteBackReplacesOnlyTheFirstLine) {
  struct Case {
    const char* before;
    const char* after;
  };
  const Case cases[] = {
      {"old\r\nencoding=CP1251\r\nx", "new\r\nencoding=CP1251\r\nx"},
      {"old\nkeep\n", "new\nkeep\n"},
      {"\r\nsecond\r\n", "new\r\nsecond\r\n"},
      {"old", "new\r\n"},
      {"", "new\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(replace_first_line(c.before, "new"), c.after) << c.before;

  test::TempTree tree;
  const std::string ini = test::path_text(tree.root() / "korvint" / "Vesko.ini");
  ASSERT_TRUE(write_catalogue_folder(ini, "/first").ok());  // creates the folder and file
  EXPECT_EQ(test::read_file(ini), "/first\r\n");
  test::write_file(ini, "/first\r\nencoding=CP1250\r\n");
  ASSERT_TRUE(write_catalogue_folder(ini, "/second").ok());
  EXPECT_EQ(test::read_file(ini), "/second\r\nencoding=CP1250\r\n");
  EXPECT_EQ(read_vesko_settings(platform::system_file_services(), {ini}, "").catalogue_folder, "/second");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(tree.root() / "korvint"),
                          std::filesystem::directory_iterator()),
            1);  // no temporary file left behind
}

TEST(VeskoSettingsTest, WriteBackKeepsAMarkAndALink) {
  test::TempTree tree;
  const std::string ini = test::path_text(tree.root() / "Vesko.ini");
  test::write_file(ini, "\xEF\xBB\xBF/old\r\nencoding=CP1250\r\n");
  ASSERT_TRUE(write_catalogue_folder(ini, "/new").ok());
  EXPECT_EQ(test::read_file(ini), "\xEF\xBB\xBF/new\r\nencoding=CP1250\r\n");
#ifndef _WIN32
  // A Vesko.ini that is a link to one kept elsewhere: the file it names is written.
  const auto target = tree.text_file("dotfiles/Vesko.ini", "/old\r\n");
  const auto link = tree.root() / "config" / "Vesko.ini";
  std::filesystem::create_directories(link.parent_path());
  std::filesystem::create_symlink("../dotfiles/Vesko.ini", link);
  ASSERT_TRUE(write_catalogue_folder(test::path_text(link), "/chosen").ok());
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(test::read_file(target), "/chosen\r\n");
#endif
}

}  // namespace
}  // namespace korvint::shell
