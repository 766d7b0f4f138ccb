#include "ui/terminal/ui_clipboard.h"

#include <gtest/gtest.h>

namespace tess::ui {
namespace {

TEST(ClipboardSequenceTest, IsOsc52WithBase64Text) {
  EXPECT_EQ(clipboardSequence("Man"), "\x1b]52;c;TWFu\x07");
  EXPECT_EQ(clipboardSequence("Ma"), "\x1b]52;c;TWE=\x07");
  EXPECT_EQ(clipboardSequence("M"), "\x1b]52;c;TQ==\x07");
  EXPECT_EQ(clipboardSequence(""), "\x1b]52;c;\x07");
  EXPECT_EQ(clipboardSequence("あ\n"), "\x1b]52;c;44GCCg==\x07");
}

}  // namespace
}  // namespace tess::ui
