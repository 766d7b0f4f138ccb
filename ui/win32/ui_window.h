// The Windows front end: the main text window of 80 x 24 cells, the common
// file dialogs and the message box.
#pragma once

#include <windows.h>

#include <memory>

#include "ui/front_end.h"

namespace tess::ui {

// The window class of the main text window.
inline constexpr wchar_t kTextWindowClass[] = L"TessarineTextWindow";
// The system menu's copy commands: the text, and the text with a picture
// of the window.
inline constexpr UINT kCopyTextCommand = 0x0110;
inline constexpr UINT kCopyTextAndGraphicsCommand = 0x0120;

// instance: the program's module (for the icon "MainIcon"); showCommand:
// how the program was asked to show its window.
std::unique_ptr<FrontEnd> makeWindowsFrontEnd(HINSTANCE instance,
                                              int showCommand);

}  // namespace tess::ui
