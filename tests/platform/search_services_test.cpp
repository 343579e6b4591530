// The operating-system services of the search, on each platform: mapped
// files, code pages and case folding.

#include <gtest/gtest.h>

#include "platform/case_folding.h"
#include "platform/mapped_file.h"
#include "platform/text_decoding.h"
#include "support/temp_tree.h"

namespace korvint::platform {
namespace {

std::string folded(std::string_view text) {
  std::string out;
  fold_case(text, out);
  return out;
}

TEST(SearchServicesTest, CaseFoldingMakesCaseVariantsEqual) {
  const std::pair<const char*, const char*> same[] = {
      {"\xC3\x84RGER", "\xC3\xA4rger"},                  // ÄRGER, ärger
      {"\xD0\x9F\xD0\xA0\xD0\x98", "\xD0\xBF\xD1\x80\xD0\xB8"},  // ПРИ, при
      {"\xCE\xA3\xCE\x9F\xCE\xA6", "\xCF\x83\xCE\xBF\xCF\x86"},  // ΣΟΦ, σοφ
      {"MiXeD.Txt", "mixed.TXT"},
  };
  for (const auto& [a, b] : same) EXPECT_EQ(folded(a), folded(b)) << a;
  EXPECT_NE(folded("\xC3\xA4"), folded("a"));
  EXPECT_EQ(folded("a\xFF" "b").find("\xEF\xBF\xBD"), 1u);  // a malformed byte becomes U+FFFD
#ifndef _WIN32
  EXPECT_EQ(folded("Stra\xC3\x9F" "e"), folded("STRASSE"));  // full folding
  EXPECT_EQ(folded("a\xCC\x88"), folded("\xC3\xA4"));        // decomposed and composed alike
#endif
}

TEST(SearchServicesTest, CodePagesDecodeToUtf8) {
  Status error;
  auto decoder = make_code_page_decoder("windows-1252", error);
  ASSERT_TRUE(decoder) << error.message();
  std::string out;
  decoder->decode("\xC4rger \x80 caf\xE9", out);
  EXPECT_EQ(out, "\xC3\x84rger \xE2\x82\xAC caf\xC3\xA9");
  decoder = make_code_page_decoder("cp1251", error);
  ASSERT_TRUE(decoder) << error.message();
  decoder->decode("\xCF\xF0\xE8", out);
  EXPECT_EQ(out, "\xD0\x9F\xD1\x80\xD0\xB8");
  EXPECT_TRUE(make_code_page_decoder("", error));
  EXPECT_FALSE(make_code_page_decoder("no-such-code-page", error));
  EXPECT_NE(error.message().find("no-such-code-page"), std::string::npos);
}

TEST(SearchServicesTest, MappedFileShowsTheWholeFile) {
  test::TempTree tree;
  const std::string content = std::string(70000, 'x') + "end";
  const std::string path = test::path_text(tree.text_file("a.lst", content));
  Status error;
  MappedFile file = MappedFile::open(path, error);
  ASSERT_TRUE(error.ok()) << error.message();
  EXPECT_EQ(file.bytes(), content);
  MappedFile moved = std::move(file);
  EXPECT_EQ(moved.bytes().size(), content.size());
  EXPECT_TRUE(file.bytes().empty());
  EXPECT_TRUE(MappedFile::open(test::path_text(tree.text_file("empty.lst", "")), error).bytes().empty());
  EXPECT_TRUE(error.ok());
  MappedFile::open(path + ".missing", error);
  EXPECT_FALSE(error.ok());
  EXPECT_NE(error.message().find("a.lst.missing"), std::string::npos);
}

}  // namespace
}  // namespace korvint::platform
