#include "hosts/headless/headless_form.h"

#include <utility>

#include "app/form_events.h"

namespace korvint::hosts::headless {
using namespace korvint::ui;

void HeadlessHost::DoEvents() {
  ++do_events_calls;
  if (on_do_events) on_do_events();
  while (!actions_.empty()) {
    auto action = std::move(actions_.front());
    actions_.pop_front();
    action();
  }
}

std::optional<MenuItemId> HeadlessHost::popupMenu(MenuId menu) {
  menus_shown.push_back(menu);
  if (menu_answers.empty()) return std::nullopt;
  auto answer = menu_answers.front();
  menu_answers.pop_front();
  return answer;
}

std::string HeadlessHost::BrowseFolder() {
  if (folder_answers.empty()) return "";
  std::string answer = std::move(folder_answers.front());
  folder_answers.pop_front();
  return answer;
}

void HeadlessHost::ClickDaMouse() {
  ++clicks_injected;
  if (on_click_injected) queue(on_click_injected);
}

HeadlessForm::HeadlessForm(FormServices services, std::vector<std::string> drives)
    : Drive1(std::move(drives)),
      form(FormControls{Text1, Text2, Text3, Text4, Text5, Label1, Label2, Caption, List1,
                        Drive1, Command1, mStop},
           host, std::move(services)) {
  app::connect_form(form);
}

}  // namespace korvint::hosts::headless
