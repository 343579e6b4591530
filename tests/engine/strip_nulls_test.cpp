#include "engine/strip_nulls.h"

#include <gtest/gtest.h>

namespace korvint::engine {
namespace {

TEST(StripNulls, CutsAtTheFirstNul) {
  std::string plain = "name.txt";
  EXPECT_EQ(StripNulls(plain), "name.txt");
  std::string padded("abc\0def\0", 8);
  EXPECT_EQ(StripNulls(padded), "abc");
  EXPECT_EQ(padded, "abc");
  std::string leading("\0abc", 4);
  EXPECT_EQ(StripNulls(leading), "");
  std::wstring wide(L"C:\\x\0\0\0", 7);
  EXPECT_EQ(StripNulls(wide), L"C:\\x");
}

}  // namespace
}  // namespace korvint::engine
