#pragma once
// The Enter keys of the path box and the output name box.

#include <cstdint>

#include "ui/form1.h"

namespace korvint::jobs {

/// The Enter key's character code.
constexpr std::int16_t kEnter = 13;

/// Key typed into the path box: Enter proposes an output name when the name box
/// is empty, and is swallowed (set to 0) either way.
void Text1_KeyPress(ui::Form1& form, std::int16_t& KeyAscii);

/// Key typed into the output name box: Enter runs the scan job.
void Text4_KeyPress(ui::Form1& form, std::int16_t& KeyAscii);

}  // namespace korvint::jobs
