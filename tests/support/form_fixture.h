#pragma once
// A headless window over a temporary folder, ready to scan: the usual start of
// a handler test.

#include <memory>
#include <string>

#include "support/temp_tree.h"
#include "hosts/headless/headless_form.h"

namespace korvint::test {

struct FormFixture {
  /// `services` may replace the clock, the files or the folders.
  explicit FormFixture(ui::FormServices services = {});

  /// Points Text1 at `root_relative` inside the tree (created if missing),
  /// Text5 at the tree's "out" folder and Text4 at `name`.
  void prepare_scan(const std::string& root_relative, const std::string& name);

  /// The path of the file `name` in the output folder.
  [[nodiscard]] std::filesystem::path output(const std::string& name) const;

  TempTree tree;
  std::unique_ptr<hosts::headless::HeadlessForm> window;
  ui::Form1& form() { return window->form; }
};

/// A clock for services: each call returns `start` and then moves on by `step` seconds.
std::function<std::int64_t()> stepping_clock(std::int64_t start, std::int64_t step);

}  // namespace korvint::test
