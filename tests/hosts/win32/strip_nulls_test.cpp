#include "hosts/win32/strip_nulls.h"

#include <gtest/gtest.h>

namespace korvint::hosts::win32 {
namespace {

// The folder dialog fills a fixed buffer: the path is what stands before the first NUL.
TEST(StripNulls, CutsAtTheFirstNul) {
  struct Case {
    std::wstring field, text;
  };
  for (const Case& c : {Case{L"C:\\name.txt", L"C:\\name.txt"}, Case{std::wstring(L"C:\\x\0\0\0", 7), L"C:\\x"},
                        Case{std::wstring(L"ab\0cd\0", 6), L"ab"}, Case{std::wstring(L"\0abc", 4), L""}}) {
    std::wstring field = c.field;
    EXPECT_EQ(StripNulls(field), c.text);
    EXPECT_EQ(field, c.text);
  }
}

}  // namespace
}  // namespace korvint::hosts::win32
