#include "hosts/win32/console_output.h"

#include "platform/win32/win32_text.h"

namespace korvint::hosts::win32 {
namespace {

constexpr std::size_t kBlock = 1 << 16;

// The length of `text` without an unfinished UTF-8 sequence at its end.
std::size_t complete_utf8(const std::string& text) {
  std::size_t end = text.size();
  std::size_t back = 0;
  while (back < 4 && back < end && (static_cast<unsigned char>(text[end - 1 - back]) & 0xC0) == 0x80) ++back;
  if (back < end) {
    const auto lead = static_cast<unsigned char>(text[end - 1 - back]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > back + 1) return end - 1 - back;
  }
  return end;
}

}  // namespace

ConsoleOutput::ConsoleOutput(DWORD which, LineEnds line_ends) : line_ends_(line_ends) {
  handle_ = GetStdHandle(which);
  if (handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) {
    // Started from a console without redirection: write to that console.
    if (AttachConsole(ATTACH_PARENT_PROCESS) != FALSE || GetLastError() == ERROR_ACCESS_DENIED) {
      handle_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
    }
  }
  if (handle_ == INVALID_HANDLE_VALUE) handle_ = nullptr;
  DWORD mode = 0;
  console_ = handle_ != nullptr && GetFileType(handle_) == FILE_TYPE_CHAR && GetConsoleMode(handle_, &mode) != FALSE;
  buffer_.resize(kBlock);
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

void ConsoleOutput::take_put_area() {
  pending_.append(pbase(), static_cast<std::size_t>(pptr() - pbase()));
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

ConsoleOutput::~ConsoleOutput() { sync(); }

ConsoleOutput::int_type ConsoleOutput::overflow(int_type c) {
  take_put_area();
  if (c != traits_type::eof()) pending_ += traits_type::to_char_type(c);
  if (!flush_complete()) return traits_type::eof();
  return traits_type::not_eof(c);
}

int ConsoleOutput::sync() {
  take_put_area();
  return flush_complete() ? 0 : -1;
}

bool ConsoleOutput::flush_complete() {
  if (pending_.empty()) return true;
  if (handle_ == nullptr) {
    pending_.clear();
    return true;
  }
  bool ok = true;
  if (console_) {
    const std::size_t length = complete_utf8(pending_);
    const std::wstring wide = platform::win32::to_wide(std::string_view(pending_).substr(0, length));
    DWORD written = 0;
    ok = WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != FALSE;
    pending_.erase(0, length);
  } else {
    if (line_ends_ == LineEnds::CrLf) {
      std::string& ended = line_ended_;
      ended.clear();
      for (const char c : pending_) {
        if (c == '\n') ended += '\r';
        ended += c;
      }
      pending_.swap(ended);
    }
    DWORD written = 0;
    ok = WriteFile(handle_, pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr) != FALSE &&
         written == pending_.size();
    pending_.clear();
  }
  return ok;
}

}  // namespace korvint::hosts::win32
