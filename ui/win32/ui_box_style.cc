#include "ui/win32/ui_box_style.h"

namespace tess::ui::win32 {

UINT messageBoxFlags(BoxStyle style) {
  UINT flags = MB_OK;
  switch (style.buttons) {
    case BoxButtons::Ok:
      flags = MB_OK;
      break;
    case BoxButtons::OkCancel:
      flags = MB_OKCANCEL;
      break;
    case BoxButtons::AbortRetryIgnore:
      flags = MB_ABORTRETRYIGNORE;
      break;
    case BoxButtons::YesNoCancel:
      flags = MB_YESNOCANCEL;
      break;
    case BoxButtons::YesNo:
      flags = MB_YESNO;
      break;
    case BoxButtons::RetryCancel:
      flags = MB_RETRYCANCEL;
      break;
  }
  switch (style.icon) {
    case BoxIcon::None:
      break;
    case BoxIcon::Stop:
      flags |= MB_ICONHAND;
      break;
    case BoxIcon::Question:
      flags |= MB_ICONQUESTION;
      break;
    case BoxIcon::Exclamation:
      flags |= MB_ICONEXCLAMATION;
      break;
    case BoxIcon::Information:
      flags |= MB_ICONASTERISK;
      break;
  }
  if (style.help) flags |= MB_HELP;
  return flags;
}

BoxAnswer boxAnswerOf(int id) {
  switch (id) {
    case IDCANCEL:
      return BoxAnswer::Cancel;
    case IDABORT:
      return BoxAnswer::Abort;
    case IDRETRY:
      return BoxAnswer::Retry;
    case IDIGNORE:
      return BoxAnswer::Ignore;
    case IDYES:
      return BoxAnswer::Yes;
    case IDNO:
      return BoxAnswer::No;
    default:
      return BoxAnswer::Ok;
  }
}

}  // namespace tess::ui::win32
