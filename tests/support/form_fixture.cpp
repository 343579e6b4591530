#include "support/form_fixture.h"

#include <memory>

#include "platform/program_folder.h"

namespace korvint::test {

FormFixture::FormFixture(ui::FormServices services) {
  if (services.program_folder.empty()) services.program_folder = path_text(tree.folder("program"));
  window = std::make_unique<hosts::headless::HeadlessForm>(std::move(services));
  tree.folder("out");
}

void FormFixture::prepare_scan(const std::string& root_relative, const std::string& name) {
  window->Text1.setText(path_text(tree.folder(root_relative)));
  window->Text5.setText(path_text(tree.root() / "out") + platform::path_separator());
  window->Text4.setText(name);
}

std::filesystem::path FormFixture::output(const std::string& name) const {
  return tree.root() / "out" / std::filesystem::u8path(name);
}

std::function<std::int64_t()> stepping_clock(std::int64_t start, std::int64_t step) {
  auto now = std::make_shared<std::int64_t>(start);
  return [now, step] {
    const std::int64_t current = *now;
    *now += step;
    return current;
  };
}

}  // namespace korvint::test
