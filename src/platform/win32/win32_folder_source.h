#pragma once
// The Windows folder source with the system calls it makes gathered in one
// table. The program uses the real functions; a test can wrap them to count
// or to fail them, without touching anything outside the source it makes.

#include <windows.h>

#include <functional>
#include <memory>

#include "platform/folder_source.h"

namespace korvint::platform::win32 {

/// Every system call a Win32 folder source makes, each the real function unless
/// replaced. Replacements must behave like the function they stand for (results
/// and GetLastError) and may be called from any thread the walk lists on.
struct ListingCalls {
  std::function<HANDLE(LPCWSTR, FINDEX_INFO_LEVELS, LPVOID, FINDEX_SEARCH_OPS, LPVOID, DWORD)>
      FindFirstFileExW = &::FindFirstFileExW;
  std::function<BOOL(HANDLE, LPWIN32_FIND_DATAW)> FindNextFileW = &::FindNextFileW;
  std::function<BOOL(HANDLE)> FindClose = &::FindClose;
  std::function<DWORD(LPCWSTR)> GetFileAttributesW = &::GetFileAttributesW;
  std::function<HANDLE(LPCWSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>
      CreateFileW = &::CreateFileW;
  std::function<BOOL(HANDLE, LPBY_HANDLE_FILE_INFORMATION)> GetFileInformationByHandle =
      &::GetFileInformationByHandle;
  std::function<BOOL(HANDLE)> CloseHandle = &::CloseHandle;
};

/// A folder source making its system calls through `calls`. With the default
/// table it is the same as make_system_folder_source().
std::unique_ptr<FolderSource> make_win32_folder_source(ListingCalls calls);

}  // namespace korvint::platform::win32
