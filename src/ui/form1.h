#pragma once
// The main window as the handlers see it: its controls by name, the window
// host, the stop flag, and the services the handlers reach the system through.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_services.h"
#include "platform/folder_source.h"
#include "ui/controls.h"
#include "ui/form_host.h"

namespace korvint::ui {

/// The controls that the handlers read and write, owned by the host.
struct FormControls {
  TextBox& Text1;  ///< path box: the root of the next scan
  TextBox& Text2;  ///< hidden: the file-name pattern for the walker
  TextBox& Text3;  ///< hidden: the start time of the running scan
  TextBox& Text4;  ///< output name box
  TextBox& Text5;  ///< output folder box
  Label& Label1;   ///< status heading
  Label& Label2;   ///< count and result
  Label& Caption;  ///< the window's caption
  ListBox& List1;  ///< the scan list
  DriveBox& Drive1;
  Button& Command1;  ///< "&Scan selected"
  Button& mStop;     ///< "STOP"
};

/// What the handlers reach the operating system through; tests may replace parts.
struct FormServices {
  platform::FileServices& files = platform::system_file_services();
  /// A new folder source for each walk.
  std::function<std::unique_ptr<platform::FolderSource>()> folders =
      &platform::make_system_folder_source;
  std::function<std::int64_t()> now_utc_seconds{};  ///< defaults to the system clock
  std::function<std::int64_t()> utc_offset_seconds{};  ///< defaults to the system's zone
  std::string program_folder{};  ///< defaults to the executable's folder
  /// True when the process was asked to stop (Ctrl+C, SIGTERM); acts as STOP.
  std::function<bool()> interrupted{};
  /// Helper threads that read folders ahead of a scan; unset: the program's default.
  std::optional<unsigned> listing_threads{};
};

/// The program's title, shown on its message boxes.
inline constexpr std::string_view kProgramTitle = "Korvint";

/// Booleans of the window: true is -1, false is 0.
constexpr std::int16_t kTrue = -1;
constexpr std::int16_t kFalse = 0;

class Form1 {
 public:
  /// `controls` and `host` must outlive the form. Empty services are filled with the system's.
  Form1(const FormControls& controls, FormHost& host, FormServices services = {});

  TextBox& Text1;
  TextBox& Text2;
  TextBox& Text3;
  TextBox& Text4;
  TextBox& Text5;
  Label& Label1;
  Label& Label2;
  Label& Caption;
  ListBox& List1;
  DriveBox& Drive1;
  Button& Command1;
  Button& mStop;
  FormHost& host;
  FormServices services;

  /// Set by STOP, cleared by each scan before its walk; only -1 counts as set.
  std::int16_t StopFlag = kFalse;

  /// True while a scan job runs; a second job is turned away meanwhile.
  bool scanRunning = false;

  /// True once closing was asked for during a scan: the scan stops, then the window closes.
  bool closeRequested = false;

  /// True once the window has been closed; nothing runs after that.
  bool closed = false;
};

}  // namespace korvint::ui
