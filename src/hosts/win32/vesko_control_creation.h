#pragma once
// Creates the controls of Vesko's window from its layout table: each with
// its Win32 class, style and font, the tables with their columns, and the
// tooltips.

#include <windows.h>

#include <optional>
#include <span>
#include <vector>

#include "ui/vesko_layout.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// The child-window id control `id` is created with.
int vesko_child_window_id(VeskoControlId id);

/// Creates every control of the table on `parent`, in tab order, with `font`
/// and, for the tables, their columns at `dpi`; by VeskoControlId. They are
/// placed when the window is laid out.
std::vector<HWND> create_vesko_controls(HWND parent, HFONT font, int dpi);

/// Gives the report-style list view `table` its full-row look and `columns` at `dpi`.
void add_table_columns(HWND table, std::span<const VeskoColumn> columns, int dpi);

/// Creates the tooltip window: the query language over the query box, and
/// over each label whose tooltip shows its caption a tool that asks the parent
/// for it (TTN_GETDISPINFOW, the label's window as the tool id); nullptr when
/// it cannot be made.
HWND create_vesko_tooltips(HWND parent, const std::vector<HWND>& controls, int dpi);

}  // namespace korvint::hosts::win32
