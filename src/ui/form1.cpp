#include "ui/form1.h"

#include <utility>

#include "platform/clock.h"
#include "platform/program_folder.h"

namespace korvint::ui {

Form1::Form1(const FormControls& controls, FormHost& form_host, FormServices form_services)
    : Text1(controls.Text1),
      Text2(controls.Text2),
      Text3(controls.Text3),
      Text4(controls.Text4),
      Text5(controls.Text5),
      Label1(controls.Label1),
      Label2(controls.Label2),
      Caption(controls.Caption),
      List1(controls.List1),
      Drive1(controls.Drive1),
      Command1(controls.Command1),
      mStop(controls.mStop),
      host(form_host),
      services(std::move(form_services)) {
  if (!services.folders) services.folders = &platform::make_system_folder_source;
  if (!services.now_utc_seconds) services.now_utc_seconds = &platform::now_utc_seconds;
  if (!services.utc_offset_seconds)
    services.utc_offset_seconds = &platform::current_utc_offset_seconds;
  if (services.program_folder.empty()) services.program_folder = platform::program_folder();
}

}  // namespace korvint::ui
