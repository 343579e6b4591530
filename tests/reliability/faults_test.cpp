// Whatever happens during a scan, the last complete catalogue under a name
// survives byte for byte, the program neither crashes nor hangs, and a failure
// is never reported as success.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "batch_runner.h"
#include "support/catalogue_reader.h"
#include "support/temp_tree.h"

namespace korvint::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kEarlier = "/earlier/\r\nold.txt\t1\t 2001.1.1\t0:0.0\r\n";

void many_files(TempTree& tree, const std::string& folder, int count, int per_folder = 500) {
  for (int i = 0; i < count; ++i) {
    tree.text_file(folder + "/d" + std::to_string(i / per_folder) + "/file-with-a-longish-name-" +
                       std::to_string(i) + ".txt",
                   "");
  }
}

// A small file system the test owns; empty path when this machine lets no test mount.
class SmallFileSystem {
 public:
  SmallFileSystem(const fs::path& where, const std::string& size) : where_(where) {
    fs::create_directories(where_);
    const std::string options = "size=" + size;
    if (::mount("tmpfs", where_.c_str(), "tmpfs", 0, options.c_str()) == 0) mounted_ = true;
  }
  ~SmallFileSystem() {
    if (mounted_) ::umount2(where_.c_str(), MNT_DETACH);
  }
  [[nodiscard]] bool mounted() const { return mounted_; }
  bool make_read_only() {
    return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
  }

 private:
  fs::path where_;
  bool mounted_ = false;
};

TEST(Faults, AMissingOutputFolderIsAFailureNamingIt) {
  TempTree tree;
  tree.text_file("disk/a", "x");
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "nowhere" / "x.lst").string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.error_output.find("nowhere"), std::string::npos) << run.error_output;
  EXPECT_NE(run.error_output.find("No such file or directory"), std::string::npos);
}

// A backup script run while the disk is away must not destroy the catalogue it
// keeps: a root that cannot be opened fails with status 1, names the root and
// the reason, and leaves everything under the output name as it was.
TEST(Faults, ARootThatCannotBeOpenedLeavesTheCatalogueAndExitsWithOne) {
  TempTree tree;
  tree.text_file("a file", "x");
  tree.text_file("locked/f", "x");
  fs::permissions(tree.root(), fs::perms::all);
  fs::permissions(tree.root() / "locked", fs::perms::none);
  struct Case {
    std::string root, reason;
  };
  for (const Case& c : {Case{"media/usb", "No such file or directory"}, Case{"a file", "Not a directory"},
                        Case{"locked", "Permission denied"}}) {
    SCOPED_TRACE(c.root);
    const fs::path output = tree.root() / "usb.lst";
    write_file(output, kEarlier);
    // As root every folder opens: the scan runs as an ordinary user.
    const std::string error_file = (tree.root() / "err").string();
    const pid_t child = ::fork();
    if (child == 0) {
      if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(99);
      ::_exit(wait_for(start_batch({(tree.root() / c.root).string(), output.string()}, error_file)));
    }
    EXPECT_EQ(wait_for(child), 1);
    const std::string said = read_file(error_file);
    EXPECT_NE(said.find("korvint: Cannot open \"" + (tree.root() / c.root).string() + "\": " + c.reason),
              std::string::npos)
        << said;
    EXPECT_EQ(read_file(output), kEarlier);
    EXPECT_FALSE(fs::exists(tree.root() / "usb.lst.old"));
    EXPECT_FALSE(fs::exists(tree.root() / "usb.lst.lock"));
  }
}

TEST(Faults, AReadOnlyFileSystemLeavesTheEarlierCatalogue) {
  TempTree tree;
  tree.text_file("disk/a", "x");
  SmallFileSystem small(tree.root() / "ro", "1m");
  if (!small.mounted()) GTEST_SKIP() << "this machine lets no test mount a file system";
  write_file(tree.root() / "ro" / "cat.lst", kEarlier);
  ASSERT_TRUE(small.make_read_only());
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "ro" / "cat.lst").string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.error_output.find("Read-only file system"), std::string::npos) << run.error_output;
  EXPECT_EQ(read_file(tree.root() / "ro" / "cat.lst"), kEarlier);
  EXPECT_FALSE(fs::exists(tree.root() / "ro" / "cat.lst.old"));
}

TEST(Faults, ADiskFullOfCatalogueIsAFailureAndTheEarlierCatalogueComesBack) {
  TempTree tree;
  many_files(tree, "disk", 3000);  // about 200 KB of catalogue
  SmallFileSystem small(tree.root() / "small", "64k");
  if (!small.mounted()) GTEST_SKIP() << "this machine lets no test mount a file system";
  write_file(tree.root() / "small" / "cat.lst", kEarlier);
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "small" / "cat.lst").string()});
  EXPECT_EQ(run.exit_status, 1);
  EXPECT_NE(run.error_output.find("No space left on device"), std::string::npos) << run.error_output;
  EXPECT_EQ(read_file(tree.root() / "small" / "cat.lst"), kEarlier);
  EXPECT_FALSE(fs::exists(tree.root() / "small" / "cat.lst.old"));
}

// Starts a scan of `root` into `output` that shows its count on a suspended
// terminal, so it stands still at its first turn with its output created;
// once it holds the output open, does `deed` to it, then resumes the
// terminal. Returns the exit status, or -1 when the scan never began writing;
// what the scan said goes to `said`.
int hold_scan(const fs::path& root, const fs::path& output, const std::function<void(pid_t)>& deed,
              std::string* said = nullptr) {
  SuspendedTerminal terminal;
  EXPECT_TRUE(terminal.ok()) << "this machine gives the test no terminal";
  if (!terminal.ok()) return -1;
  const pid_t child = start_batch({root.string(), output.string()}, terminal.name());
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  bool writing = false;
  while (!(writing = holds_open(child, output)) && std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (::waitpid(child, &status, WNOHANG) == child) return -1;
    std::this_thread::sleep_for(1ms);
  }
  if (writing) {
    deed(child);
  } else {
    ::kill(child, SIGKILL);
  }
  terminal.resume();
  const int exit_status = wait_for(child);
  if (said) *said = terminal.output();
  return writing ? exit_status : -1;
}

int interrupt_scan(const fs::path& root, const fs::path& output, int signal) {
  return hold_scan(root, output, [signal](pid_t child) { ::kill(child, signal); });
}

// A closed terminal, a lost ssh session, Ctrl+\ act as Ctrl+C and termination.
TEST(Faults, CtrlCTerminationAndAHangUpActAsStop) {
  TempTree tree;
  many_files(tree, "disk", 3000);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    const fs::path output = tree.root() / "cat.lst";
    write_file(output, kEarlier);
    EXPECT_EQ(interrupt_scan(tree.root() / "disk", output, signal), 1) << "signal " << signal;
    EXPECT_EQ(read_file(output), kEarlier);
    EXPECT_FALSE(fs::exists(output.string() + ".old"));
    EXPECT_FALSE(fs::exists(output.string() + ".lock"));
  }
}

// While the scan writes, its output is deleted, or the folder that holds it is
// removed or moved away and replaced: no catalogue stands under the name, so
// the scan failed, saying so, and the earlier catalogue goes back where its
// name is free.
TEST(Faults, AnOutputThatVanishesDuringTheScanIsAFailure) {
  TempTree tree;
  many_files(tree, "disk", 3000);
  const fs::path folder = tree.root() / "out";
  const fs::path output = folder / "cat.lst";
  struct Case {
    const char* what;
    std::function<void()> deed;
    bool earlier_back;
  };
  const std::vector<Case> cases = {
      {"rm OUTPUT", [&] { fs::remove(output); }, true},
      {"rm -rf of its folder", [&] { fs::remove_all(folder); }, false},
      {"mv out out2; mkdir out",
       [&] {
         fs::rename(folder, tree.root() / "out2");
         fs::create_directory(folder);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(tree.root() / "out2");
    fs::create_directories(folder);
    write_file(output, kEarlier);
    std::string said;
    EXPECT_EQ(hold_scan(tree.root() / "disk", output, [&](pid_t) { c.deed(); }, &said), 1);
    EXPECT_NE(said.find("korvint: \"" + output.string() + "\" was removed or replaced during the scan"),
              std::string::npos)
        << said;
    if (c.earlier_back) {
      EXPECT_EQ(read_file(output), kEarlier);
    } else {
      EXPECT_FALSE(fs::exists(output));
    }
    EXPECT_FALSE(fs::exists(output.string() + ".old"));
    EXPECT_FALSE(fs::exists(output.string() + ".lock"));
  }
}

// A batch run whose error stream is a pipe nobody reads any more ends with its
// own status, not killed by SIGPIPE.
TEST(Faults, AClosedErrorPipeDoesNotKillTheRun) {
  TempTree tree;
  const std::string error_file = (tree.root() / "unused").string();
  const pid_t child = start_batch({(tree.root() / "missing").string(), (tree.root() / "cat.lst").string()}, error_file,
                                  "", "", [] {
                                    int ends[2];
                                    if (::pipe(ends) != 0) ::_exit(98);
                                    ::close(ends[0]);
                                    ::dup2(ends[1], STDERR_FILENO);
                                  });
  EXPECT_EQ(wait_for(child), 1);
}

// Memory and descriptors limited as `ulimit -v` and `ulimit -n` do: a scan
// that runs out of memory (a read-ahead helper's, the walk's) fails cleanly
// with the earlier catalogue back; one allowed few descriptors lists every
// folder on the walk's own thread and loses none.
TEST(Faults, LimitedMemoryAndDescriptors) {
  TempTree tree;
  for (int i = 0; i < 3000; ++i) {
    tree.text_file("disk/a" + std::to_string(i % 7) + "/b" + std::to_string(i % 13) + "/c" + std::to_string(i % 29) +
                       "/f" + std::to_string(i),
                   "");
  }
  const fs::path output = tree.root() / "cat.lst";
  const fs::path disk = tree.root() / "disk";
  const BatchOutcome unlimited = run_batch({disk.string(), output.string()});
  ASSERT_EQ(unlimited.exit_status, 0) << unlimited.error_output;
  const std::string complete = read_file(output);

  const std::string error_file = (tree.root() / "err").string();
  auto limited = [&](int resource, rlim_t limit) {
    write_file(output, kEarlier);
    return wait_for(start_batch({disk.string(), output.string()}, error_file, "", "", [resource, limit] {
      const struct rlimit few {limit, limit};
      if (::setrlimit(resource, &few) != 0) ::_exit(97);
    }));
  };
  int out_of_memory = 0;
#ifdef __SANITIZE_ADDRESS__
  // AddressSanitizer reserves terabytes of address space: no limit leaves it room.
  const std::vector<rlim_t> address_space_limits;
  ++out_of_memory;
#else
  const std::vector<rlim_t> address_space_limits = {30, 40, 50, 60, 80, 100};
#endif
  for (const rlim_t megabytes : address_space_limits) {
    SCOPED_TRACE(std::to_string(megabytes) + " MB");
    const int status = limited(RLIMIT_AS, megabytes << 20);
    const std::string said = read_file(error_file);
    if (status == 0) {
      EXPECT_EQ(read_file(output), complete);
    } else {
      EXPECT_EQ(status, 1) << said;
      EXPECT_EQ(said, "korvint: out of memory\n");
      EXPECT_EQ(read_file(output), kEarlier);
      ++out_of_memory;
    }
    EXPECT_FALSE(fs::exists(output.string() + ".old"));
    EXPECT_FALSE(fs::exists(output.string() + ".lock"));
  }
  EXPECT_GT(out_of_memory, 0) << "no limit ran the scan out of memory";
  for (rlim_t descriptors = 16; descriptors <= 21; ++descriptors) {
    SCOPED_TRACE(std::to_string(descriptors) + " descriptors");
    EXPECT_EQ(limited(RLIMIT_NOFILE, descriptors), 0) << read_file(error_file);
    EXPECT_EQ(read_file(output), complete);
  }
}

TEST(Faults, AfterAKilledScanTheLastCompleteCatalogueIsNeverLost) {
  TempTree tree;
  many_files(tree, "disk", 3000);
  const fs::path output = tree.root() / "cat.lst";
  const fs::path backup = tree.root() / "cat.lst.old";
  write_file(output, kEarlier);
  ASSERT_EQ(interrupt_scan(tree.root() / "disk", output, SIGKILL), 128 + SIGKILL);
  ASSERT_EQ(read_file(backup), kEarlier);  // the killed scan left its backup
  ASSERT_TRUE(fs::exists(output.string() + ".lock"));  // and its lock file, which binds no one

  // A second scan to the same name that is stopped puts the last complete one back...
  EXPECT_EQ(interrupt_scan(tree.root() / "disk", output, SIGINT), 1);
  EXPECT_EQ(read_file(output), kEarlier);
  EXPECT_FALSE(fs::exists(backup));

  // ...and after another kill, a completed scan replaces it and leaves no backup.
  ASSERT_EQ(interrupt_scan(tree.root() / "disk", output, SIGKILL), 128 + SIGKILL);
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), output.string()});
  EXPECT_EQ(run.exit_status, 0) << run.error_output;
  EXPECT_FALSE(fs::exists(backup));
  EXPECT_FALSE(fs::exists(output.string() + ".lock"));
  const ParsedCatalogue parsed = parse_catalogue(read_file(output));
  EXPECT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.folder_lines.size(), 6u);
}

TEST(Faults, ATreeChangingDuringTheWalkGivesAWellFormedCatalogue) {
  TempTree tree;
  many_files(tree, "disk", 5000, 100);
  std::atomic<bool> done{false};
  std::thread mutator([&] {
    for (int round = 0; !done; ++round) {
      const fs::path folder = tree.root() / "disk" / ("churn" + std::to_string(round % 20));
      std::error_code ignored;
      fs::create_directories(folder / "inner", ignored);
      write_file(folder / "inner" / "grows", std::string(static_cast<std::size_t>(round % 5000), 'x'));
      fs::remove_all(tree.root() / "disk" / ("churn" + std::to_string((round + 7) % 20)), ignored);
      fs::remove_all(tree.root() / "disk" / ("d" + std::to_string(round % 50)), ignored);
    }
  });
  for (int scan = 0; scan < 5; ++scan) {
    const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "cat.lst").string()});
    // Complete; a folder removed between its listing and its walk is listed
    // empty and named, with exit status 3.
    EXPECT_TRUE(run.exit_status == 0 || run.exit_status == 3) << run.exit_status << " " << run.error_output;
    EXPECT_EQ(parse_catalogue(read_file(tree.root() / "cat.lst")).problem, "");
  }
  done = true;
  mutator.join();
}

TEST(Faults, FoldersWithoutReadPermissionAreListedEmptyAndReported) {
  TempTree tree;
  tree.text_file("disk/open/a", "x");
  tree.text_file("disk/locked/secret", "x");
  fs::permissions(tree.root(), fs::perms::all);
  fs::permissions(tree.root() / "disk" / "locked", fs::perms::none);
  // As root every folder is readable: run the scan as an ordinary user.
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "cat.lst").string()});
    // Complete, but with folders listed empty: exit status 3, and which ones.
    ::_exit(run.exit_status == 3 && run.error_output.find("locked") != std::string::npos ? 0 : 4);
  }
  ASSERT_EQ(wait_for(child), 0);
  const ParsedCatalogue parsed = parse_catalogue(read_file(tree.root() / "cat.lst"));
  EXPECT_EQ(parsed.files.at("locked\\").size(), 0u);
  EXPECT_EQ(parsed.files.at("open\\").size(), 1u);
}

TEST(Faults, FortyThousandSubFoldersInOneFolder) {
  TempTree tree;
  const fs::path disk = tree.folder("disk");
  for (int i = 0; i < 40000; ++i) fs::create_directory(disk / std::to_string(i));
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "cat.lst").string()});
  ASSERT_EQ(run.exit_status, 0) << run.error_output;
  EXPECT_EQ(parse_catalogue(read_file(tree.root() / "cat.lst")).folder_lines.size(), 40000u);
}

TEST(Faults, ALinkCycleEndsAndEveryFolderIsListedOnce) {
  TempTree tree;
  tree.text_file("disk/a/b/file", "x");
  fs::create_directory_symlink("../..", tree.root() / "disk" / "a" / "b" / "up");
  fs::create_directory_symlink("b", tree.root() / "disk" / "a" / "b-again");
  const BatchOutcome run = run_batch({(tree.root() / "disk").string(), (tree.root() / "cat.lst").string()});
  ASSERT_EQ(run.exit_status, 0) << run.error_output;
  const ParsedCatalogue parsed = parse_catalogue(read_file(tree.root() / "cat.lst"));
  EXPECT_EQ(parsed.files.count("a\\b\\up\\") + parsed.files.count("a\\b-again\\up\\"), 1u);
  // The folder and the link to it: whichever the walk meets first holds the file.
  EXPECT_EQ(parsed.files.at("a\\b\\").size() + parsed.files.at("a\\b-again\\").size(), 1u);
}

}  // namespace
}  // namespace korvint::test
