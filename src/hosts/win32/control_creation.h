#pragma once
// Creates the window's controls from the layout table: each with its Win32
// class, caption, pixel geometry and font, the drive box filled, and the tooltips.

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "ui/form_ids.h"
#include "ui/form_layout.h"
#include "hosts/win32/win32_handles.h"
#include "hosts/win32/window_geometry.h"

namespace korvint::hosts::win32 {
using namespace korvint::ui;

/// How many controls the window has (ControlId::Label1 is the last).
inline constexpr std::size_t kControlCount = static_cast<std::size_t>(ControlId::Label1) + 1;

/// The child windows of the controls, indexed by ControlId.
using ControlWindows = std::array<HWND, kControlCount>;

/// The slot of `id` in a ControlWindows.
constexpr std::size_t slot(ControlId id) { return static_cast<std::size_t>(id); }

/// The child-window id `id` is created with.
int child_window_id(ControlId id);

/// The control created with `child_id`; nullopt for any other id.
std::optional<ControlId> control_of_child_window_id(int child_id);

/// The Win32 window class that shows a control of `kind`.
const wchar_t* window_class_of(ControlKind kind);

/// Creates every control of the table on `parent` in table order, so that an
/// earlier control lies on top of a later one. Controls with a font of their
/// own get it (kept alive in `fonts`), the others the default GUI font.
ControlWindows create_controls(HWND parent, ScreenDpi dpi, std::vector<FontHandle>& fonts);

/// Puts every control of `controls` where the table says at `dpi`, with its
/// font made anew at `dpi` (kept alive in `fonts`, which it replaces), and
/// moves the labels' tooltip areas of `tooltips` with them: the window moved
/// to a monitor of another resolution.
void place_controls(HWND parent, const ControlWindows& controls, HWND tooltips, ScreenDpi dpi,
                    std::vector<FontHandle>& fonts);

/// Fills the drive box with `entries` and chooses the entry of the current drive (else the first).
void fill_drive_box(HWND drive_box, const std::vector<std::string>& entries);

/// Creates the tooltip window holding the table's tooltips and, over the
/// status labels, tooltips that show their whole current caption (asked of the
/// parent with TTN_GETDISPINFOW, the label's slot as the tool id); nullptr when
/// it cannot be made.
HWND create_tooltips(HWND parent, const ControlWindows& controls);

}  // namespace korvint::hosts::win32
