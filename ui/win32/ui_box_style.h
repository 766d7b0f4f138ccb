// A message box's style and answer as the Win32 message box takes and
// gives them.
#pragma once

#include <windows.h>

#include "ui/front_end.h"

namespace tess::ui::win32 {

// The MB_ bits of the buttons, the icon and the Help button.
UINT messageBoxFlags(BoxStyle style);

// The button of an ID answer; a box that could not be shown (0) counts as
// its OK.
BoxAnswer boxAnswerOf(int id);

}  // namespace tess::ui::win32
