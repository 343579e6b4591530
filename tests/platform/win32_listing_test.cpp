// Folder listings on Windows: one enumeration per folder and no per-entry
// query, names outside the ANSI code page, paths past MAX_PATH, the forms a
// root can be typed in, and file links.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <filesystem>
#include <map>
#include <vector>

#include "engine/catalogue_writer.h"
#include "engine/walker.h"
#include "platform/file_services.h"
#include "platform/folder_source.h"
#include "platform/win32/win32_folder_source.h"
#include "support/catalogue_reader.h"
#include "support/temp_tree.h"
#include "support/walk_host.h"

namespace korvint::platform {
namespace {

namespace fs = std::filesystem;
using test::TempTree;
using test::utc_seconds;

struct Listed {
  bool is_folder = false;
  bool is_link = false;
  std::uint64_t size = 0;
  std::int64_t write_time = 0;
};

class Collect final : public EntrySink {
 public:
  bool on_entry(const DirEntry& entry) override {
    entries[std::string(entry.name)] = Listed{entry.is_folder, entry.is_link, entry.size, entry.write_time};
    return true;
  }
  std::map<std::string, Listed> entries;
};

std::map<std::string, Listed> list_root(const std::string& root) {
  Status error;
  auto folder = make_system_folder_source()->open_root(root, error);
  EXPECT_NE(folder, nullptr) << error.message();
  Collect collect;
  if (folder) {
    EXPECT_TRUE(folder->list(collect).ok());
  }
  return collect.entries;
}

// Walks `root` into a catalogue file in `out_folder`, as a scan does, through
// `source` or the system's folders; the file's bytes.
std::string walk_to_disk(const std::string& root, const TempTree& out_folder, engine::WalkResult& result,
                         FolderSource* source = nullptr, unsigned listing_threads = 0) {
  const fs::path out_path = out_folder.root() / "out.lst";
  Status error;
  auto out = system_file_services().create_output(test::path_text(out_path), error);
  EXPECT_NE(out, nullptr) << error.message();
  if (!out) return std::string();
  {
    engine::CatalogueWriter writer(*out);
    std::string walked = root;
    writer.header(walked);
    test::RecordingWalkHost host;
    engine::TurnPacer pacer(host);
    std::unique_ptr<FolderSource> system;
    if (source == nullptr) {
      system = make_system_folder_source();
      source = system.get();
    }
    engine::Walker walker(*source, writer, pacer, 0, listing_threads);
    std::int32_t files = 0, dirs = 0;
    result = walker.FindFilesAPI(walked, "*", files, dirs);
    EXPECT_TRUE(writer.flush().ok());
  }
  EXPECT_TRUE(out->close().ok());
  return test::read_file(out_path);
}

// `wide` in the ANSI code page as the system converts it, and whether it had to
// substitute a character.
std::string ansi_of(const std::wstring& wide, bool& substituted) {
  char buffer[256] = {};
  BOOL used_default = FALSE;
  const int got = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), buffer,
                                      sizeof buffer, nullptr, &used_default);
  substituted = used_default != FALSE;
  return std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0);
}

// How often a folder source called each system function; the walk may list on
// several threads, so the counts are atomic.
struct CallCounts {
  std::atomic<int> find_first{0};
  std::atomic<int> find_next{0};
  std::atomic<int> find_close{0};
  std::atomic<int> entry_queries{0};  // anything that asks about one path: attributes, opens
  std::atomic<int> root_checks{0};    // GetFileAttributesW, made once for the root
  std::atomic<bool> every_search_basic_and_large{true};
};

// The real calls, counted into `counts`.
win32::ListingCalls counting_calls(CallCounts& counts) {
  win32::ListingCalls real;
  win32::ListingCalls calls = real;
  calls.FindFirstFileExW = [&counts, real](LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID record,
                                           FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags) {
    ++counts.find_first;
    if (level != FindExInfoBasic || (flags & FIND_FIRST_EX_LARGE_FETCH) == 0)
      counts.every_search_basic_and_large = false;
    return real.FindFirstFileExW(pattern, level, record, search, filter, flags);
  };
  calls.FindNextFileW = [&counts, real](HANDLE search, LPWIN32_FIND_DATAW record) {
    ++counts.find_next;
    return real.FindNextFileW(search, record);
  };
  calls.FindClose = [&counts, real](HANDLE search) {
    ++counts.find_close;
    return real.FindClose(search);
  };
  calls.GetFileAttributesW = [&counts, real](LPCWSTR path) {
    ++counts.root_checks;
    return real.GetFileAttributesW(path);
  };
  calls.CreateFileW = [&counts, real](LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                      DWORD disposition, DWORD flags, HANDLE model) {
    ++counts.entry_queries;
    return real.CreateFileW(path, access, share, security, disposition, flags, model);
  };
  calls.GetFileInformationByHandle = [&counts, real](HANDLE handle, LPBY_HANDLE_FILE_INFORMATION info) {
    ++counts.entry_queries;
    return real.GetFileInformationByHandle(handle, info);
  };
  return calls;
}

TEST(Win32Listing, EachFolderIsEnumeratedOnceAndNoEntryIsQueriedOnItsOwn) {
  // The root and 12 folders (4 with 2 sub-folders each), 20 files in every one.
  constexpr int kFilesPerFolder = 20;
  TempTree tree;
  std::vector<std::string> folders{""};
  for (int top = 0; top < 4; ++top) {
    folders.push_back("t" + std::to_string(top) + "/");
    for (int inner = 0; inner < 2; ++inner)
      folders.push_back("t" + std::to_string(top) + "/i" + std::to_string(inner) + "/");
  }
  for (const std::string& folder : folders) {
    for (int file = 0; file < kFilesPerFolder; ++file)
      tree.file(folder + "f" + std::to_string(file) + ".dat", static_cast<std::uint64_t>(file), 1500000000);
  }
  const int listed = static_cast<int>(folders.size());
  const int entries = listed * kFilesPerFolder + (listed - 1);  // files, and every folder but the root

  // Alone, and with helpers reading folders ahead: still one enumeration per folder.
  for (const unsigned threads : {0u, 4u}) {
    SCOPED_TRACE(threads);
    CallCounts counts;
    auto source = win32::make_win32_folder_source(counting_calls(counts));
    TempTree out_folder;
    engine::WalkResult result;
    const test::ParsedCatalogue parsed =
        test::parse_catalogue(walk_to_disk(tree.root_text(), out_folder, result, source.get(), threads));
    ASSERT_EQ(parsed.problem, "");
    ASSERT_EQ(parsed.folder_lines.size(), folders.size() - 1);
    EXPECT_EQ(parsed.files.at("t3\\i1\\").count("f7.dat\t7\t 2017.7.14\t2:40.0"), 1u);

    EXPECT_EQ(counts.find_first, listed);
    EXPECT_EQ(counts.find_close, listed);
    EXPECT_TRUE(counts.every_search_basic_and_large);
    // One call per record and one that reports the end: the entries, plus "." and
    // ".." where the file system lists them.
    EXPECT_GE(counts.find_next, entries);
    EXPECT_LE(counts.find_next, entries + 2 * listed);
    EXPECT_EQ(counts.root_checks, 1);
    // The root is opened once for listing when the scan starts, so that a root
    // the user may not list fails before the output is touched; every folder's
    // identity is asked once (an open and one query), so that a folder reached
    // again through a junction is not entered twice. No file is asked about.
    EXPECT_EQ(counts.entry_queries, 1 + 2 * listed);
  }
}

TEST(Win32Listing, NamesOutsideTheAnsiCodePageAreListedAndWrittenInIt) {
  TempTree tree;
  tree.file("日本.txt", 3, utc_seconds(2012, 3, 4, 5, 6, 7));
  tree.file("Ωmega/inner.txt", 11, utc_seconds(2013, 1, 1, 0, 0, 0));

  // The listing itself carries the names whole, as UTF-8.
  const auto entries = list_root(tree.root_text());
  ASSERT_EQ(entries.size(), 2u);
  ASSERT_EQ(entries.count("日本.txt"), 1u);
  EXPECT_FALSE(entries.at("日本.txt").is_folder);
  EXPECT_EQ(entries.at("日本.txt").size, 3u);
  EXPECT_EQ(entries.at("日本.txt").write_time, utc_seconds(2012, 3, 4, 5, 6, 7));
  ASSERT_EQ(entries.count("Ωmega"), 1u);
  EXPECT_TRUE(entries.at("Ωmega").is_folder);

  // The catalogue on disk is in the ANSI code page; the folder is still entered.
  TempTree out_folder;
  engine::WalkResult result;
  const std::string bytes = walk_to_disk(tree.root_text(), out_folder, result);
  EXPECT_EQ(result.unreadable_folders, 0u) << result.first_unreadable;
  const test::ParsedCatalogue parsed = test::parse_catalogue(bytes);
  ASSERT_EQ(parsed.problem, "") << bytes;
  bool substituted = false;
  const std::string japanese = ansi_of(L"\u65e5\u672c.txt", substituted);
  EXPECT_EQ(parsed.files.at("").count(japanese + "\t3\t 2012.3.4\t5:6.7"), 1u) << bytes;
  if (substituted) {
    CPINFO info{};
    ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
    const std::string twice(2, static_cast<char>(info.DefaultChar[0]));
    EXPECT_EQ(japanese, twice + ".txt");
  }
  const std::string omega = ansi_of(L"\u03a9mega\\", substituted);
  ASSERT_EQ(parsed.files.count(omega), 1u) << bytes;
  EXPECT_EQ(parsed.files.at(omega).count("inner.txt\t11\t 2013.1.1\t0:0.0"), 1u);
}

// Creates `path` (long form) holding `size` bytes.
void create_long_file(const std::wstring& path, DWORD size) {
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  const std::string content(size, 'x');
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(handle, content.data(), size, &written, nullptr));
  CloseHandle(handle);
}

TEST(Win32Listing, PathsLongerThanMaxPathAreListedCompletely) {
  TempTree tree;
  const std::wstring level(50, L'd');
  std::wstring long_path = L"\\\\?\\" + tree.root().wstring();
  std::string relative;
  for (int i = 0; i < 7; ++i) {  // 357 characters below the temporary folder
    long_path += L"\\" + level + std::to_wstring(i);
    relative += std::string(50, 'd') + std::to_string(i) + "\\";
    ASSERT_TRUE(CreateDirectoryW(long_path.c_str(), nullptr)) << GetLastError();
    if (i == 3) create_long_file(long_path + L"\\middle.txt", 2);
  }
  create_long_file(long_path + L"\\leaf.txt", 5);
  ASSERT_GT(long_path.size(), static_cast<std::size_t>(MAX_PATH + 100));

  TempTree out_folder;
  engine::WalkResult result;
  const std::string bytes = walk_to_disk(tree.root_text(), out_folder, result);
  const test::ParsedCatalogue parsed = test::parse_catalogue(bytes);
  ASSERT_EQ(parsed.problem, "") << bytes;
  EXPECT_EQ(result.unreadable_folders, 0u) << result.first_unreadable;
  EXPECT_EQ(parsed.folder_lines.size(), 7u);
  ASSERT_EQ(parsed.files.count(relative), 1u) << bytes;
  ASSERT_EQ(parsed.files.at(relative).size(), 1u);
  EXPECT_EQ(parsed.files.at(relative).begin()->substr(0, 11), "leaf.txt\t5\t");

  // The file services reach that deep too, with the path as the user writes it.
  const std::string leaf = tree.root_text() + relative + "leaf.txt";
  FileServices& files = system_file_services();
  EXPECT_TRUE(files.is_normal_file(leaf));
  EXPECT_EQ(files.read_first_line(leaf), "xxxxx");
  const std::string copy = tree.root_text() + relative + "copy.txt";
  EXPECT_TRUE(files.rename_file(leaf, copy).ok());
  EXPECT_FALSE(files.exists(leaf));
  EXPECT_TRUE(files.exists(copy));
}

bool has_name(const std::map<std::string, Listed>& entries, std::wstring_view wanted) {
  return std::any_of(entries.begin(), entries.end(), [&](const auto& entry) {
    const std::string& name = entry.first;
    return name.size() == wanted.size() &&
           std::equal(name.begin(), name.end(), wanted.begin(), [](char a, wchar_t b) {
             return std::towlower(static_cast<unsigned char>(a)) == std::towlower(b);
           });
  });
}

TEST(Win32Listing, RootsAreTakenInEveryFormTheyAreTyped) {
  TempTree tree;
  tree.file("sub/inside.txt", 1, 0);
  std::string forward = tree.root_text();
  std::replace(forward.begin(), forward.end(), '\\', '/');
  EXPECT_EQ(list_root(forward).count("sub"), 1u);
  std::string without_separator = tree.root_text();
  without_separator.pop_back();
  EXPECT_EQ(list_root(without_separator).count("sub"), 1u);

  // Relative roots and "\" start from the current folder, on its drive.
  wchar_t previous[MAX_PATH] = {};
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(tree.root().c_str()));
  const auto relative = list_root("sub");
  const auto dot = list_root(".");
  const auto drive_root = list_root("\\");
  const std::string drive = test::path_text(tree.root()).substr(0, 2);  // "C:"
  const auto bare_drive = list_root(drive);
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(relative.count("inside.txt"), 1u);
  EXPECT_EQ(dot.count("sub"), 1u);
  // The temporary folder lies below "users" (or "Users") on its drive.
  EXPECT_TRUE(has_name(drive_root, L"users")) << drive_root.size();
  EXPECT_TRUE(has_name(bare_drive, L"users")) << bare_drive.size();
}

TEST(Win32Listing, AFileRootIsNoFolder) {
  TempTree tree;
  tree.file("plain.txt", 1, 0);
  Status error;
  EXPECT_EQ(make_system_folder_source()->open_root(tree.root_text() + "plain.txt", error), nullptr);
  EXPECT_NE(error.message().find("plain.txt"), std::string::npos);
}

// A root the user may not list fails when it is opened, before a scan touches
// its output, and says so.
TEST(Win32Listing, ARootThatMayNotBeListedDoesNotOpen) {
  TempTree tree;
  tree.file("locked/inside.txt", 1, 0);
  win32::ListingCalls calls;
  calls.CreateFileW = [](LPCWSTR, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_NE(access & FILE_LIST_DIRECTORY, 0u);
    return INVALID_HANDLE_VALUE;
  };
  Status error;
  EXPECT_EQ(win32::make_win32_folder_source(calls)->open_root(tree.root_text() + "locked", error), nullptr);
  EXPECT_EQ(error.message().rfind("Cannot open \"" + tree.root_text() + "locked\": ", 0), 0u) << error.message();
  EXPECT_NE(make_system_folder_source()->open_root(tree.root_text() + "locked", error), nullptr);
}

// Makes a symbolic link where the system lets this process; false where it does
// not (some systems report success and make nothing, so the link is looked for).
bool make_link(const fs::path& link, const wchar_t* target, bool folder) {
  constexpr DWORD kUnprivileged = 0x2;  // SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
  const DWORD kind = folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
  if (!CreateSymbolicLinkW(link.c_str(), target, kind | kUnprivileged))
    (void)CreateSymbolicLinkW(link.c_str(), target, kind);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  return GetFileAttributesExW(link.c_str(), GetFileExInfoStandard, &data) &&
         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

TEST(Win32Listing, FileLinksShowTheirTargetAndFolderLinksNeverCircle) {
  TempTree tree;
  tree.file("data/target.bin", 777, utc_seconds(2015, 5, 5, 5, 5, 5));
  if (!make_link(tree.root() / "data" / "file-link", L"target.bin", false))
    GTEST_SKIP() << "symbolic links cannot be made here";
  ASSERT_TRUE(make_link(tree.root() / "data" / "back", L"..", true));
  ASSERT_TRUE(make_link(tree.root() / "dangling", L"nowhere.bin", false));

  const auto data = list_root(tree.root_text() + "data");
  ASSERT_EQ(data.count("file-link"), 1u);
  EXPECT_TRUE(data.at("file-link").is_link);
  EXPECT_EQ(data.at("file-link").size, 777u);
  EXPECT_EQ(data.at("file-link").write_time, utc_seconds(2015, 5, 5, 5, 5, 5));
  const auto top = list_root(tree.root_text());
  ASSERT_EQ(top.count("dangling"), 1u);
  EXPECT_EQ(top.at("dangling").size, 0u);

  TempTree out_folder;
  engine::WalkResult result;
  const std::string bytes = walk_to_disk(tree.root_text(), out_folder, result);
  const test::ParsedCatalogue parsed = test::parse_catalogue(bytes);
  ASSERT_EQ(parsed.problem, "") << bytes;
  EXPECT_EQ(parsed.files.at("data\\back\\").size(), 0u);
  EXPECT_EQ(parsed.files.count("data\\back\\back\\"), 0u);
  EXPECT_EQ(result.folders_met_again, 1u);
}

}  // namespace
}  // namespace korvint::platform
