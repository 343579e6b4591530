#include "app/vesko_arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace korvint::app {
namespace {

// The window opens for folders and an encoding alone; everything else is the
// command line's, which reads the same arguments the same way.
TEST(VeskoArguments, OnlyFoldersAndAnEncodingAskForTheWindow) {
  using Arguments = std::vector<std::string>;
  struct Case {
    Arguments arguments;
    bool window;
    Arguments folders;
    std::string query;
  };
  for (const Case& c : {Case{{}, true, {}, ""},
                        Case{{"--catalogues", "/a", "--catalogues=/b", "--encoding", "cp1251"}, true, {"/a", "/b"}, ""},
                        Case{{"--catalogues", "--encoding"}, true, {"--encoding"}, ""},
                        Case{{"--catalogues"}, false, {}, ""},
                        Case{{"holiday"}, false, {}, "holiday"},
                        Case{{"--catalogues", "/a", "holiday", "-draft"}, false, {"/a"}, "holiday -draft"},
                        Case{{"--help"}, false, {}, ""},
                        Case{{"--limit", "5"}, false, {}, ""},
                        Case{{"--"}, false, {}, ""},
                        Case{{"--", "-draft", "--count"}, false, {}, "-draft --count"},
                        Case{{""}, false, {}, ""},
                        Case{{"-"}, false, {}, "-"}}) {
    const VeskoArguments read = read_vesko_arguments(c.arguments);
    const auto options = vesko_window_options(c.arguments);
    SCOPED_TRACE(::testing::PrintToString(c.arguments));
    ASSERT_EQ(options.has_value(), c.window);
    EXPECT_EQ(read.window, c.window);
    EXPECT_EQ(read.folders, c.folders);
    EXPECT_EQ(read.query, c.query);
    if (options) {
      EXPECT_EQ(options->folders, c.folders);
      EXPECT_EQ(options->encoding.has_value(), c.arguments.size() == 5);
    }
  }
}

}  // namespace
}  // namespace korvint::app
