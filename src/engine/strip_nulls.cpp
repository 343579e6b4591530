#include "engine/strip_nulls.h"

namespace korvint::engine {
namespace {

template <typename Text>
Text strip(Text& text) {
  const auto nul = text.find(typename Text::value_type{});
  if (nul != Text::npos) text.erase(nul);
  return text;
}

}  // namespace

std::string StripNulls(std::string& OriginalStr) { return strip(OriginalStr); }

std::wstring StripNulls(std::wstring& OriginalStr) { return strip(OriginalStr); }

}  // namespace korvint::engine
