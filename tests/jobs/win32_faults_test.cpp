// Scan jobs on Windows files when something goes wrong around them: outputs and
// backups held open by others or in the way, a tree that changes during the
// walk, paths longer than the system allows. Whatever happens, the last
// complete catalogue under a name survives, nothing crashes or hangs, and a
// failure is never reported as success.

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "jobs/scan_job.h"
#include "platform/win32/win32_error.h"
#include "support/catalogue_reader.h"
#include "support/form_fixture.h"

namespace korvint::jobs {
namespace {

namespace fs = std::filesystem;
using test::FormFixture;
using test::read_file;
using test::write_file;

const std::string kEarlier = "C:\\earlier\\\r\nold.txt\t1\t 2001.1.1\t0:0.0\r\n";
const std::string kOlder = "C:\\older\\\r\nolder.txt\t2\t 2000.1.1\t0:0.0\r\n";

// A handle on a file, opened as another program would, closed on leaving.
class Held {
 public:
  Held(const fs::path& path, DWORD share)
      : handle_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                            nullptr)) {}
  ~Held() { release(); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  [[nodiscard]] bool ok() const { return handle_ != INVALID_HANDLE_VALUE; }
  void release() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE handle_;
};

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Win32Faults, AnOutputHeldOpenIsAFailureNamingItAndTheEarlierCatalogueStays) {
  for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE}}) {
    FormFixture f;
    f.tree.text_file("disk/a.txt", "x");
    f.prepare_scan("disk", "cat.lst");
    write_file(f.output("cat.lst"), kEarlier);
    Held held(f.output("cat.lst"), share);
    ASSERT_TRUE(held.ok());

    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    const std::string shown = f.window->Label2.caption();
    held.release();
    EXPECT_FALSE(outcome && outcome->completed()) << "share " << share;
    EXPECT_EQ((outcome ? outcome->reason : std::string()), shown);
    EXPECT_TRUE(contains(shown, test::path_text(f.output("cat.lst")))) << shown;
    EXPECT_TRUE(contains(shown, platform::win32::error_text(ERROR_SHARING_VIOLATION))) << shown;
    EXPECT_EQ(read_file(f.output("cat.lst")), kEarlier);
    EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
    EXPECT_EQ(f.window->Caption.caption(), kFinished);
    EXPECT_TRUE(f.window->Command1.enabled());
  }
}

// A holder that lets others delete: the earlier catalogue is moved aside under
// it, and the scan completes; once the holder lets go, only the new one is left.
TEST(Win32Faults, AnOutputHeldOpenWithDeleteSharingIsReplaced) {
  FormFixture f;
  f.tree.text_file("disk/a.txt", "x");
  f.prepare_scan("disk", "cat.lst");
  write_file(f.output("cat.lst"), kEarlier);
  Held held(f.output("cat.lst"), FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
  ASSERT_TRUE(held.ok());
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  held.release();
  const std::string now = read_file(f.output("cat.lst"));
  if (outcome && outcome->completed()) {
    EXPECT_TRUE(contains(now, "a.txt\t1\t")) << now;
    EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
  } else {
    EXPECT_EQ(now, kEarlier) << (outcome ? outcome->reason : std::string());
  }
}

TEST(Win32Faults, ABackupThatCannotBeRemovedStopsTheScanBeforeAnythingChanges) {
  struct Case {
    const char* what;
    DWORD attributes;     // given to the backup, or 0
    bool hold;            // the backup is held open without sharing
    const char* reason;   // part of the message
  };
  const Case cases[] = {
      {"held open", 0, true, nullptr},
      {"read-only", FILE_ATTRIBUTE_READONLY, false, "read-only"},
      {"hidden", FILE_ATTRIBUTE_HIDDEN, false, "in the way"},
      {"system", FILE_ATTRIBUTE_SYSTEM, false, "in the way"},
  };
  for (const Case& c : cases) {
    FormFixture f;
    f.tree.text_file("disk/a.txt", "x");
    f.prepare_scan("disk", "cat.lst");
    const fs::path output = f.output("cat.lst");
    const fs::path backup = f.output("cat.lst.old");
    write_file(output, kEarlier);
    write_file(backup, kOlder);
    if (c.attributes != 0) { ASSERT_TRUE(SetFileAttributesW(backup.c_str(), c.attributes)); }
    Held held(backup, 0);
    if (!c.hold) held.release();

    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    const std::string shown = f.window->Label2.caption();
    held.release();
    SetFileAttributesW(backup.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_FALSE(outcome && outcome->completed()) << c.what;
    EXPECT_TRUE(contains(shown, test::path_text(backup))) << c.what << ": " << shown;
    const std::string reason = c.reason ? c.reason : platform::win32::error_text(ERROR_SHARING_VIOLATION);
    EXPECT_TRUE(contains(shown, reason)) << c.what << ": " << shown;
    EXPECT_EQ(read_file(output), kEarlier) << c.what;
    EXPECT_EQ(read_file(backup), kOlder) << c.what;
  }
}

// The backup taken by another program while the walk runs (Vesko reading
// the earlier catalogue, say) cannot be deleted at the end: the new catalogue
// is complete all the same, and the labels say that the earlier one stays
// beside it. The next scan deletes it as the backup of no scan.
TEST(Win32Faults, ABackupHeldOpenDuringTheScanIsANoteAndTheNextScanDeletesIt) {
  FormFixture f;
  for (int i = 0; i < 600; ++i) f.tree.text_file("disk/f" + std::to_string(i), "");
  f.tree.text_file("disk/sub/last.txt", "x");
  f.prepare_scan("disk", "cat.lst");
  const fs::path output = f.output("cat.lst");
  const fs::path backup = f.output("cat.lst.old");
  write_file(output, kEarlier);
  std::unique_ptr<Held> held;
  f.window->host.on_do_events = [&] {
    if (!held) held = std::make_unique<Held>(backup, FILE_SHARE_READ);
  };

  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  ASSERT_TRUE(held && held->ok());
  const std::string shown = f.window->Label2.caption();
  ASSERT_TRUE(outcome && outcome->completed()) << shown;
  EXPECT_EQ(shown.rfind("500 files found.; Cannot delete \"" + test::path_text(backup) + "\"", 0), 0u) << shown;
  EXPECT_TRUE(contains(shown, "the earlier catalogue stays beside the new one")) << shown;
  EXPECT_TRUE(contains(read_file(output), "last.txt\t1\t"));
  EXPECT_EQ(read_file(backup), kEarlier);
  held.reset();

  f.window->host.on_do_events = nullptr;
  const std::optional<ScanOutcome> next = Command1_Click(f.form());
  EXPECT_TRUE(next && next->completed()) << (next ? next->reason : std::string());
  EXPECT_TRUE(contains(read_file(output), "last.txt\t1\t"));
  EXPECT_FALSE(fs::exists(backup));
}

TEST(Win32Faults, ATreeChangingDuringTheWalkGivesAWellFormedCatalogue) {
  FormFixture f;
  for (int i = 0; i < 3000; ++i)
    f.tree.text_file("disk/d" + std::to_string(i / 100) + "/file-" + std::to_string(i) + ".txt", "");
  const fs::path disk = f.tree.root() / "disk";
  std::atomic<bool> done{false};
  std::atomic<int> rounds{0};
  std::thread mutator([&] {
    for (int round = 0; !done; ++round) {
      std::error_code ignored;
      const fs::path folder = disk / ("churn" + std::to_string(round % 20));
      fs::create_directories(folder / "inner", ignored);
      write_file(folder / "inner" / "grows", std::string(static_cast<std::size_t>(round % 5000), 'x'));
      write_file(disk / "d0" / "file-0.txt", std::string(static_cast<std::size_t>((round * 7) % 3000), 'y'));
      fs::remove_all(disk / ("churn" + std::to_string((round + 7) % 20)), ignored);
      fs::remove_all(disk / ("d" + std::to_string(1 + round % 29)), ignored);
      ++rounds;
    }
  });
  for (int scan = 0; scan < 4; ++scan) {
    f.prepare_scan("disk", "cat.lst");
    const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
    EXPECT_TRUE(outcome && outcome->completed()) << (outcome ? outcome->reason : std::string());
    const test::ParsedCatalogue parsed = test::parse_catalogue(read_file(f.output("cat.lst")));
    EXPECT_EQ(parsed.problem, "");
    EXPECT_EQ(parsed.header, test::path_text(disk) + "\\");
  }
  done = true;
  mutator.join();
  EXPECT_GT(rounds, 0);
  EXPECT_FALSE(fs::exists(f.output("cat.lst.old")));
}

// Nests folders of 100 characters below `root` until the system refuses one
// more (at its limit of 32,767 characters, or under Wine at the host's limit of
// 4,096 bytes) or the path is past 33,000 characters. Returns each level's
// relative path; `deepest` is the long form of the last folder made.
std::vector<std::string> nest_deep(const fs::path& root, std::wstring& deepest) {
  std::vector<std::string> levels;
  deepest = L"\\\\?\\" + root.wstring();
  std::string relative;
  for (int level = 0; deepest.size() < 33000; ++level) {
    const std::string name = std::string(96, 'n') + std::to_string(1000 + level);
    const std::wstring next = deepest + L"\\" + std::wstring(name.begin(), name.end());
    if (!CreateDirectoryW(next.c_str(), nullptr)) break;
    deepest = next;
    relative += name + "\\";
    levels.push_back(relative);
  }
  return levels;
}

TEST(Win32Faults, NestingAsDeepAsTheSystemAllowsIsCataloguedOrReportedUnreadable) {
  FormFixture f;
  std::wstring deepest;
  const std::vector<std::string> levels = nest_deep(f.tree.folder("deep"), deepest);
  ASSERT_GT(deepest.size(), static_cast<std::size_t>(MAX_PATH) * 4) << levels.size();
  const HANDLE leaf = CreateFileW((deepest + L"\\leaf.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  const bool has_leaf = leaf != INVALID_HANDLE_VALUE;
  if (has_leaf) CloseHandle(leaf);

  f.prepare_scan("deep", "deep.lst");
  const std::optional<ScanOutcome> outcome = Command1_Click(f.form());
  ASSERT_TRUE(outcome && outcome->completed()) << (outcome ? outcome->reason : std::string());
  const test::ParsedCatalogue parsed = test::parse_catalogue(read_file(f.output("deep.lst")));
  ASSERT_EQ(parsed.problem, "");
  // Every level is there; the ones below a folder that could not be read are
  // missing only when the scan says which folder that was.
  std::size_t listed = 0;
  while (listed < levels.size() && parsed.files.count(levels[listed]) == 1) ++listed;
  const bool complete = listed == levels.size() && (!has_leaf || !parsed.files.at(levels.back()).empty());
  if (!complete) {
    const std::string note = outcome->unreadable_note();
    EXPECT_TRUE(contains(note, "could not be read")) << listed << " of " << levels.size();
    EXPECT_TRUE(contains(note, std::string(96, 'n'))) << note.substr(0, 300);
  } else {
    EXPECT_EQ(outcome->unreadable_note(), "");
    EXPECT_EQ(parsed.folder_lines.size(), levels.size());
    if (has_leaf) { EXPECT_EQ(parsed.files.at(levels.back()).begin()->rfind("leaf.txt\t0\t", 0), 0u); }
  }
  std::cout << "nested " << levels.size() << " levels, " << deepest.size() << " characters; "
            << (complete ? "catalogued completely" : outcome->unreadable_note().substr(0, 120)) << "\n";
}

}  // namespace
}  // namespace korvint::jobs
