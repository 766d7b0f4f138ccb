// The name field's editing and text cut to a number of cells.
#include "ui/model/ui_line_editor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::sjis;

DialogKey key(KeyName name) { return DialogKey{name, {}}; }
DialogKey text(std::string t) { return DialogKey{KeyName::Text, std::move(t)}; }

TEST(LineEditorTest, EditsLikeAShellPrompt) {
  LineEditor e;
  e.set(sjis("/logs/日本.log"));
  EXPECT_EQ(e.cursor(), e.text().size());
  e.apply(key(KeyName::Left));
  e.apply(key(KeyName::Left));
  e.apply(key(KeyName::Left));
  e.apply(key(KeyName::Left));
  e.apply(key(KeyName::Left));  // over a double-byte character
  e.apply(text("X"));
  EXPECT_EQ(e.text(), sjis("/logs/日X本.log"));
  e.apply(key(KeyName::Backspace));
  e.apply(key(KeyName::Backspace));  // the whole character
  EXPECT_EQ(e.text(), sjis("/logs/本.log"));
  e.apply(key(KeyName::Delete));
  EXPECT_EQ(e.text(), "/logs/.log");
  e.apply(key(KeyName::CtrlK));
  EXPECT_EQ(e.text(), "/logs/");
  e.apply(text("a b"));
  e.apply(key(KeyName::CtrlW));
  EXPECT_EQ(e.text(), "/logs/a ");
  e.apply(key(KeyName::CtrlW));
  e.apply(key(KeyName::CtrlW));
  EXPECT_EQ(e.text(), "/");
  e.set("abc");
  e.apply(key(KeyName::CtrlA));
  EXPECT_EQ(e.cursor(), 0u);
  e.apply(key(KeyName::Right));
  e.apply(key(KeyName::CtrlU));
  EXPECT_EQ(e.text(), "bc");
  e.apply(key(KeyName::End));
  EXPECT_EQ(e.cursor(), 2u);
  EXPECT_FALSE(e.apply(key(KeyName::Up)));
}

// An offered name, selected: what is typed replaces it, a deleting key
// clears it, and a moving key keeps it and ends the selection.
TEST(LineEditorTest, ASelectedNameGivesWayToWhatIsTyped) {
  LineEditor e;
  e.set("19*.*");
  e.selectAll();
  e.apply(text("f"));
  e.apply(text("s.log"));
  EXPECT_EQ(e.text(), "fs.log");
  EXPECT_EQ(e.cursor(), 6u);
  EXPECT_FALSE(e.allSelected());
  for (KeyName deleting : {KeyName::Backspace, KeyName::Delete, KeyName::CtrlU,
                           KeyName::CtrlK, KeyName::CtrlW}) {
    e.set("kanbel.ren");
    e.selectAll();
    e.apply(key(deleting));
    EXPECT_EQ(e.text(), "");
  }
  e.set("kanbel.ren");
  e.selectAll();
  e.apply(key(KeyName::Left));
  EXPECT_FALSE(e.allSelected());
  e.apply(text("X"));
  EXPECT_EQ(e.text(), "kanbel.reXn");
  // A key the editor does not handle leaves the selection.
  e.set("kanbel.ren");
  e.selectAll();
  EXPECT_FALSE(e.apply(key(KeyName::Enter)));
  EXPECT_TRUE(e.allSelected());
}

TEST(LineEditorTest, VisiblePartFollowsTheCursor) {
  LineEditor e;
  e.set("0123456789");
  size_t cell = 0;
  EXPECT_EQ(e.visible(6, &cell), "56789");
  EXPECT_EQ(cell, 5u);
  e.apply(key(KeyName::Home));
  EXPECT_EQ(e.visible(6, &cell), "012345");
  EXPECT_EQ(cell, 0u);
}

TEST(FitTest, CutsAreMarked) {
  EXPECT_EQ(fitSjis("short", 10), "short");
  EXPECT_EQ(fitSjis("abcdefgh", 5), "abcd>");
  EXPECT_EQ(fitSjis("/a/b/c/d/e", 6, true), "<c/d/e");
  // A double-byte character is never split.
  EXPECT_EQ(fitSjis(sjis("ab日本"), 4), "ab>");
  EXPECT_EQ(fitSjis(sjis("日本ab"), 4, true), "<ab");
}

}  // namespace
}  // namespace tess::ui
