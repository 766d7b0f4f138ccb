// Keys from control characters and escape sequences.
#include "ui/model/ui_dialog_keys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::sjis;

TEST(EscapeSequenceTest, WholeSequencesAreFoundAndDecoded) {
  struct Case {
    std::string bytes;  // after ESC
    KeyName key;
  };
  const std::vector<Case> cases = {
      {"[A", KeyName::Up},
      {"OB", KeyName::Down},
      {"[H", KeyName::Home},
      {"[1~", KeyName::Home},
      {"OF", KeyName::End},
      {"[4~", KeyName::End},
      {"[5~", KeyName::PageUp},
      {"[6~", KeyName::PageDown},
      {"[3~", KeyName::Delete},
      {"[Z", KeyName::BackTab},
      {"OQ", KeyName::Copy},
      {"[12~", KeyName::Copy},
      // Unknown sequences and Alt combinations are swallowed as nothing.
      {"a", KeyName::None},
      {"[1;5C", KeyName::None},
      {"[200~", KeyName::None},
      {"[[A", KeyName::None},
      {"\x1b[A", KeyName::None},
      {"]0;title\a", KeyName::None},
      {"]0;t\x1b\\", KeyName::None},
  };
  for (const Case& c : cases) {
    for (size_t n = 1; n < c.bytes.size(); ++n) {
      EXPECT_FALSE(escapeSequenceComplete(c.bytes.substr(0, n)))
          << c.bytes << " complete after " << n;
    }
    EXPECT_TRUE(escapeSequenceComplete(c.bytes)) << c.bytes;
    EXPECT_EQ(decodeEscapeSequence(c.bytes), c.key) << c.bytes;
  }
  EXPECT_FALSE(escapeSequenceComplete(""));  // a lone Esc waits for more
  EXPECT_EQ(controlKey(27), KeyName::Escape);
  EXPECT_EQ(controlKey(3), KeyName::Break);
  EXPECT_EQ(controlKey(127), KeyName::Backspace);
  EXPECT_EQ(controlKey(2), KeyName::None);
}

}  // namespace
}  // namespace tess::ui
