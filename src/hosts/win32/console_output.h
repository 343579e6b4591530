#pragma once
// Output of a window program that also serves the command line: its results
// go to the handle it was given (a file or pipe: bytes as they are), else to
// the console of the program that started it (as UTF-16, so every name shows).

#include <windows.h>

#include <streambuf>
#include <string>

namespace korvint::ui::win32 {

/// A stream buffer over the standard handle `which` (STD_OUTPUT_HANDLE or
/// STD_ERROR_HANDLE). Without one it attaches to the parent's console; with
/// neither the text is dropped.
class ConsoleOutput final : public std::streambuf {
 public:
  explicit ConsoleOutput(DWORD which);
  ~ConsoleOutput() override;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool flush_complete();
  void take_put_area();

  HANDLE handle_ = nullptr;
  bool console_ = false;
  std::string pending_;
  std::string buffer_;  ///< the put area
};

}  // namespace korvint::ui::win32
