// The operating-system services of the search, on each platform: files read
// at any offset, the lock probe, code pages, case folding, large buffers.

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "platform/case_folding.h"
#include "platform/file_services.h"
#include "platform/large_memory.h"
#include "platform/read_only_file.h"
#include "platform/root_presence.h"
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

TEST(SearchServicesTest, AFileIsReadAtAnyOffsetAndItsChangesAreSeen) {
  test::TempTree tree;
  const std::string content = std::string(70000, 'x') + "end";
  const auto file_path = tree.text_file("a.lst", content);
  const std::string path = test::path_text(file_path);
  OpenFailure failure = OpenFailure::None;
  Status error;
  ReadOnlyFile file = ReadOnlyFile::open(path, failure, error);
  ASSERT_TRUE(file.is_open()) << error.message();
  const auto opened = file.identity();
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->size, content.size());
  EXPECT_EQ(identity_of(path), opened);
  char bytes[16] = {};
  EXPECT_EQ(file.read_at(69998, sizeof bytes, bytes), 5u);  // short only where the file ends
  EXPECT_EQ(std::string(bytes, 5), "xxend");
  EXPECT_EQ(read_whole_file(path), content);

  // Cut short and written again in place: the open file says so.
  std::filesystem::resize_file(file_path, 10);
  EXPECT_EQ(file.read_at(69998, sizeof bytes, bytes), 0u);
  const auto cut = file.identity();
  ASSERT_TRUE(cut);
  EXPECT_TRUE(cut->same_file(*opened));
  EXPECT_NE(cut, opened);
  ReadOnlyFile moved = std::move(file);
  EXPECT_FALSE(file.is_open());
  EXPECT_TRUE(moved.identity());

  struct Case {
    std::string path;
    OpenFailure failure;
  };
  const Case cases[] = {{path + ".missing", OpenFailure::Unreadable},
                        {test::path_text(tree.folder("folder.lst")), OpenFailure::NotAFile}};
  for (const Case& c : cases) {
    EXPECT_FALSE(ReadOnlyFile::open(c.path, failure, error).is_open()) << c.path;
    EXPECT_EQ(failure, c.failure) << c.path;
    EXPECT_NE(error.message().find(c.path), std::string::npos) << error.message();
  }
#ifndef _WIN32
  // A FIFO is no file: refused at once, not waited on for a writer.
  const std::string fifo = test::path_text(tree.root() / "fifo.lst");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(ReadOnlyFile::open(fifo, failure, error).is_open());
  EXPECT_EQ(failure, OpenFailure::NotAFile);
#endif
}

TEST(SearchServicesTest, ALockIsSeenHeldWithoutBeingTaken) {
  test::TempTree tree;
  const std::string lock = test::path_text(tree.root() / "disk.lst.lock");
  EXPECT_EQ(probe_lock(lock).state, LockState::Absent);
  {
    LockAttempt held = system_file_services().lock_file(lock);
    ASSERT_TRUE(held.lock) << held.error.message();
    EXPECT_EQ(probe_lock(lock).state, LockState::Held);
    EXPECT_EQ(probe_lock(lock).state, LockState::Held);  // the probe left it as it was
  }
  EXPECT_EQ(probe_lock(lock).state, LockState::Absent);  // the holder removed it
  // Left by a holder that was killed: there, and nobody holds it.
  tree.text_file("disk.lst.lock", "");
  EXPECT_EQ(probe_lock(lock).state, LockState::NotHeld);
  // Its note tells what it left.
  tree.text_file("disk.lst.lock", "korvint complete\n");
  EXPECT_EQ(probe_lock(lock).state, LockState::NotHeld);
  EXPECT_EQ(probe_lock(lock).left_note, "complete");
  LockAttempt taken = system_file_services().lock_file(lock);
  EXPECT_TRUE(taken.lock) << "the probe kept the lock: " << taken.error.message();
}

TEST(SearchServicesTest, ARootIsOnlineWhenItIsAFolderOfThisSystem) {
  test::TempTree tree;
  tree.text_file("file.txt", "x");
  const std::string folder = test::path_text(tree.root());
  const std::pair<std::string, RootPresence> roots[] = {
      {folder + "/", RootPresence::Folder},
      {folder + "/file.txt/", RootPresence::Absent},
      {folder + "/missing/", RootPresence::Absent},
      {"", RootPresence::Absent},
#ifdef _WIN32
      {"C:\\", RootPresence::DrivePresent},  // a drive: the medium in it may be another
      {"c:", RootPresence::DrivePresent},
      {"/home/ann/", RootPresence::Absent},   // a POSIX root names no path here
#else
      {"/", RootPresence::Folder},
      {"D:\\", RootPresence::Absent},        // a Windows root names no path here
#endif
  };
  for (const auto& [root, presence] : roots) EXPECT_EQ(root_presence(root), presence) << root;
}

// Buffers on either side of the heap's limit, with and without a head of
// small pages: zeroed and writable to their last byte, given back whole.
TEST(SearchServicesTest, LargeBuffersAreZeroedAndWritableToTheirEnd) {
  for (const std::size_t bytes : {std::size_t{0}, std::size_t{1}, kLargeBufferFrom - 1, kLargeBufferFrom,
                                  (std::size_t{5} << 20) + 3}) {
    for (const std::size_t small_head : {std::size_t{0}, std::size_t{2} << 20}) {
      SCOPED_TRACE(std::to_string(bytes) + " bytes, small head " + std::to_string(small_head));
      auto* buffer = static_cast<unsigned char*>(take_large_buffer(bytes, small_head));
      ASSERT_NE(buffer, nullptr);
      for (std::size_t at = 0; at < bytes; at += 4093) {
        EXPECT_EQ(buffer[at], 0u);
        buffer[at] = 0xA5;
      }
      if (bytes > 0) {
        EXPECT_EQ(buffer[bytes - 1], (bytes - 1) % 4093 == 0 ? 0xA5u : 0u);
        buffer[bytes - 1] = 0x5A;
      }
      give_back_large_buffer(buffer, bytes);
    }
  }
  // A container grown past the limit keeps what it held.
  std::vector<std::uint32_t, LargeBufferAllocator<std::uint32_t>> grown;
  for (std::uint32_t i = 0; i < kLargeBufferFrom; ++i) grown.push_back(i);
  for (std::uint32_t i = 0; i < kLargeBufferFrom; i += 997) ASSERT_EQ(grown[i], i);
}

}  // namespace
}  // namespace korvint::platform
