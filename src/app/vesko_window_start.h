#pragma once
// Vesko's window: its start-up (Vesko.ini, the catalogue folder) and the
// folder button; app/vesko_form_events routes the window's events.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/vesko_arguments.h"
#include "jobs/vesko_browse.h"
#include "jobs/vesko_session.h"
#include "jobs/vesko_views.h"
#include "shell/vesko_settings.h"
#include "ui/vesko_form.h"

namespace korvint::app {

/// Vesko's window at work: its session and its settings file.
class VeskoWindow {
 public:
  /// `form` must outlive the window. `places` are where Vesko.ini is looked
  /// for (shell::vesko_ini_places()), `default_folder` the folder without one
  /// (Korvint's default output folder, searched when it exists).
  VeskoWindow(ui::VeskoForm& form, VeskoWindowOptions options, std::vector<std::string> places,
              std::string default_folder, jobs::VeskoServices services = {});

  /// Start-up: shows the window and starts reading the catalogue folder; with
  /// none set (and no default one), it says how to get one.
  void Form_Load();

  /// "Change folder...": the folder dialog; a chosen folder is searched from
  /// now on and written as the first line of Vesko.ini, so Korvint's next
  /// start uses it as its output folder too.
  void cmdFolder_Click();

  [[nodiscard]] jobs::VeskoSession& session() { return *session_; }
  /// The duplicates and comparison views of the catalogues.
  [[nodiscard]] jobs::VeskoViews& views() { return *views_; }
  /// The browse window's handlers: one catalogue as a folder tree.
  [[nodiscard]] jobs::VeskoBrowse& browse() { return *browse_; }
  [[nodiscard]] ui::VeskoHost& host() { return form_.host; }
  /// The Vesko.ini a changed folder is written to.
  [[nodiscard]] const std::string& settings_file() const { return settings_file_; }

 private:
  ui::VeskoForm& form_;
  std::vector<std::string> folders_;
  std::string settings_file_;
  std::unique_ptr<jobs::VeskoSession> session_;
  std::unique_ptr<jobs::VeskoViews> views_;  ///< stopped before the session goes
  std::unique_ptr<jobs::VeskoBrowse> browse_;  ///< stopped before the session goes
};

}  // namespace korvint::app
