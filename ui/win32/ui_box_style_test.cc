// The Win32 message box's bits of each style and the answer of each ID.
#include "ui/win32/ui_box_style.h"

#include <utility>

#include "gtest/gtest.h"

namespace tess::ui::win32 {
namespace {

TEST(BoxStyleTest, ButtonsIconsAndHelpBecomeTheirBits) {
  const std::pair<BoxStyle, UINT> cases[] = {
      {{BoxButtons::Ok, BoxIcon::None}, 0x0},
      {{BoxButtons::OkCancel, BoxIcon::None}, 0x1},
      {{BoxButtons::AbortRetryIgnore, BoxIcon::None}, 0x2},
      {{BoxButtons::YesNoCancel, BoxIcon::Stop}, 0x13},
      {{BoxButtons::YesNo, BoxIcon::Question}, 0x24},
      {{BoxButtons::RetryCancel, BoxIcon::Exclamation}, 0x35},
      {{BoxButtons::Ok, BoxIcon::Information}, 0x40},
      {{BoxButtons::Ok, BoxIcon::Exclamation, true}, 0x4030},
  };
  for (const auto& [style, flags] : cases) {
    EXPECT_EQ(messageBoxFlags(style), flags) << flags;
  }
}

TEST(BoxStyleTest, AnswersComeFromTheirIds) {
  const std::pair<int, BoxAnswer> cases[] = {
      {1, BoxAnswer::Ok},    {2, BoxAnswer::Cancel}, {3, BoxAnswer::Abort},
      {4, BoxAnswer::Retry}, {5, BoxAnswer::Ignore}, {6, BoxAnswer::Yes},
      {7, BoxAnswer::No},    {0, BoxAnswer::Ok},
  };
  for (const auto& [id, answer] : cases) {
    EXPECT_EQ(boxAnswerOf(id), answer) << id;
  }
}

}  // namespace
}  // namespace tess::ui::win32
