#pragma once
// Output of a window program that also serves the command line: its results
// go to the handle it was given (a file or pipe: the UTF-8 bytes, with CR LF
// line ends when asked), else to the console of the program that started it
// (as UTF-16, so every name shows).

#include <windows.h>

#include <streambuf>
#include <string>

namespace korvint::hosts::win32 {

/// How a line ends in a file or a pipe: as written, or each LF as CR LF.
enum class LineEnds { AsWritten, CrLf };

/// A stream buffer over the standard handle `which` (STD_OUTPUT_HANDLE or
/// STD_ERROR_HANDLE). Without one it attaches to the parent's console; with
/// neither the text is dropped. No byte order mark is written.
class ConsoleOutput final : public std::streambuf {
 public:
  explicit ConsoleOutput(DWORD which, LineEnds line_ends = LineEnds::AsWritten);
  ~ConsoleOutput() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool flush_complete();
  void take_put_area();

  HANDLE handle_ = nullptr;
  bool console_ = false;
  LineEnds line_ends_;
  std::string pending_;
  std::string line_ended_;  ///< pending_ with CR LF line ends
  std::string buffer_;  ///< the put area
};

}  // namespace korvint::hosts::win32
