// The terminal's file dialog apart from drawing: its state under keys.
#include "ui/model/ui_dialog_model.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/fake_file_system.h"
#include "tests/support/sjis.h"

namespace tess::ui {
namespace {

using tess::testing::FakeFileSystem;
using tess::testing::sjis;

DialogKey key(KeyName name) { return DialogKey{name, {}}; }
DialogKey text(std::string t) { return DialogKey{KeyName::Text, std::move(t)}; }

class FileDialogModelTest : public ::testing::Test {
 protected:
  FileDialogModelTest() {
    fs.setFile("/logs/1996.log", "x");
    fs.setFile("/logs/1997.log", "x");
    fs.setFile("/logs/2001.log", "x");
    fs.setFile("/logs/sub/1998.log", "x");
    for (int i = 0; i < 30; ++i) {
      fs.setFile("/many/19" + std::to_string(10 + i) + ".log", "x");
    }
    request.title = "t";
    request.initialFolder = "/logs";
    request.fileName = "19*.*";
    request.filters = {{"a(19*.*)", "19*.*"}, {"b(20*.*)", "20*.*"}};
    request.fileMustExist = true;
    request.pathMustExist = true;
  }
  // The names listed, folders with "/".
  static std::vector<std::string> listed(const FileDialogModel& m) {
    std::vector<std::string> names;
    for (const ListEntry& e : m.entries()) {
      names.push_back(FileDialogModel::entryText(e));
    }
    return names;
  }
  FakeFileSystem fs;
  FileDialogRequest request;
};

TEST_F(FileDialogModelTest, HighlightIsWhatEnterActsOn) {
  FileDialogModel m(fs, request);
  EXPECT_EQ(listed(m),
            (std::vector<std::string>{"../", "sub/", "1996.log", "1997.log"}));
  // No highlight at first: Enter applies the name field (a pattern here).
  EXPECT_EQ(m.selected(), -1);
  EXPECT_EQ(m.focus(), DialogFocus::Name);
  EXPECT_EQ(m.position(), "0/4");
  // Down enters the list at its first row; the field shows the entry,
  // folders with their separator.
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.selected(), 0);
  EXPECT_EQ(m.name().text(), "../");
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.name().text(), "sub/");
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.name().text(), "1996.log");
  EXPECT_EQ(m.position(), "3/4");
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Chosen);
  EXPECT_EQ(m.result(), "/logs/1996.log");
}

TEST_F(FileDialogModelTest, TabChangesTheTypeAndLeavesNoStaleHighlight) {
  FileDialogModel m(fs, request);
  m.press(key(KeyName::Down));
  m.press(key(KeyName::Tab));
  EXPECT_EQ(m.typeText(), "b(20*.*)");
  EXPECT_EQ(m.selected(), -1);
  EXPECT_EQ(m.name().text(), "20*.*");  // the pattern follows the type
  EXPECT_EQ(listed(m), (std::vector<std::string>{"../", "sub/", "2001.log"}));
  // Down highlights ../, so Enter goes up: what is shown is what happens.
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.selected(), 0);
  m.press(key(KeyName::Enter));
  EXPECT_EQ(m.folder(), "/");
  // Going up highlights the folder we came from.
  ASSERT_GE(m.selected(), 0);
  EXPECT_EQ(m.entries()[static_cast<size_t>(m.selected())].name, "logs");
  m.press(key(KeyName::BackTab));
  EXPECT_EQ(m.typeText(), "a(19*.*)");
}

TEST_F(FileDialogModelTest, ListedNameDoesNotFollowIntoAnotherFolder) {
  FileDialogModel m(fs, request);
  m.press(key(KeyName::End));  // Home/End move the cursor in the field
  EXPECT_EQ(m.focus(), DialogFocus::Name);
  m.press(key(KeyName::Down));
  m.press(key(KeyName::End));  // and the highlight in the list
  EXPECT_EQ(m.name().text(), "1997.log");
  m.press(key(KeyName::Home));
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Open);
  EXPECT_EQ(m.folder(), "/logs/sub");
  EXPECT_EQ(m.name().text(), "19*.*");
  // A typed name stays.
  m.press(key(KeyName::CtrlU));
  m.press(text("x"));
  m.press(key(KeyName::Down));
  m.press(key(KeyName::Enter));
  EXPECT_EQ(m.folder(), "/logs");
  // The highlight is on the folder we came from, and the field shows it;
  // leaving the list above its first row brings the typed name back.
  EXPECT_EQ(m.name().text(), "sub/");
  m.press(key(KeyName::Home));
  EXPECT_EQ(m.name().text(), "../");
  m.press(key(KeyName::Up));
  EXPECT_EQ(m.focus(), DialogFocus::Name);
  EXPECT_EQ(m.name().text(), "x");
}

TEST_F(FileDialogModelTest, PagesMoveByTheRowsShown) {
  request.initialFolder = "/many";
  FileDialogModel m(fs, request);
  m.setListRows(8);
  EXPECT_EQ(m.position(), "0/31");
  m.press(key(KeyName::PageDown));
  EXPECT_EQ(m.selected(), 7);  // the last row shown
  EXPECT_EQ(m.top(), 0);
  m.press(key(KeyName::PageDown));
  EXPECT_EQ(m.selected(), 15);
  EXPECT_EQ(m.top(), 8);
  m.press(key(KeyName::PageUp));
  EXPECT_EQ(m.selected(), 7);
  m.press(key(KeyName::End));
  EXPECT_EQ(m.position(), "31/31");
  EXPECT_EQ(m.top(), 23);
  m.press(key(KeyName::Home));
  m.press(key(KeyName::Up));  // above the list: back to the name field
  EXPECT_EQ(m.selected(), -1);
  EXPECT_EQ(m.focus(), DialogFocus::Name);
}

// Whatever is highlighted, the name field holds what Enter then acts on:
// the same Enter from the name field goes to the same place.
TEST_F(FileDialogModelTest, TheNameFieldShowsWhatEnterActsOn) {
  struct Case {
    int downs;          // Down presses from the name field
    std::string field;  // the name field then
    std::string folder;
  };
  const Case cases[] = {
      {1, "../", "/"}, {2, "sub/", "/logs/sub"}, {3, "1996.log", "/logs"}};
  for (const Case& c : cases) {
    FileDialogModel byList(fs, request);
    FileDialogModel byName(fs, request);
    for (int i = 0; i < c.downs; ++i) byList.press(key(KeyName::Down));
    EXPECT_EQ(byList.name().text(), c.field);
    byName.press(key(KeyName::CtrlU));
    byName.press(text(c.field));
    const DialogOutcome listed = byList.press(key(KeyName::Enter));
    EXPECT_EQ(byName.press(key(KeyName::Enter)), listed) << c.field;
    EXPECT_EQ(byList.folder(), c.folder);
    EXPECT_EQ(byName.folder(), c.folder);
    EXPECT_EQ(byList.result(), byName.result());
  }
}

// A grown list shows as many entries as fit: the rows gained show the
// entries above the first one shown, "../" included, the highlight in view.
TEST_F(FileDialogModelTest, AGrownListShowsTheEntriesAboveToo) {
  request.initialFolder = "/many";
  struct Case {
    int selected;  // highlighted at 5 rows
    int rows;      // the rows after growing
    int top;
  };
  const Case cases[] = {
      {9, 10, 0},   // ../ comes back into sight
      {9, 7, 3},    // two more rows, both above
      {30, 8, 23},  // the end stays the end
      {30, 40, 0},  // everything fits
      {12, 12, 1},  // as far up as keeps the highlight in view
  };
  for (const Case& c : cases) {
    FileDialogModel m(fs, request);
    m.setListRows(5);
    m.press(key(KeyName::Down));
    for (int i = 0; i < c.selected; ++i) m.press(key(KeyName::Down));
    ASSERT_EQ(m.selected(), c.selected);
    ASSERT_EQ(m.top(), c.selected - 4);
    m.setListRows(c.rows);
    EXPECT_EQ(m.top(), c.top) << c.selected << " at " << c.rows;
    EXPECT_EQ(m.selected(), c.selected);
    // Shrinking back keeps the highlight in view.
    m.setListRows(3);
    EXPECT_GE(m.selected(), m.top());
    EXPECT_LT(m.selected(), m.top() + 3);
  }
}

TEST_F(FileDialogModelTest, LeftRightSwitchTheTypeOnlyOnItsRow) {
  FileDialogModel m(fs, request);
  m.press(key(KeyName::Left));
  EXPECT_EQ(m.typeText(), "a(19*.*)");
  EXPECT_EQ(m.name().cursor(), 4u);
  m.press(key(KeyName::Up));
  EXPECT_EQ(m.focus(), DialogFocus::Type);
  m.press(key(KeyName::Right));
  EXPECT_EQ(m.typeText(), "b(20*.*)");
  m.press(key(KeyName::Down));
  EXPECT_EQ(m.focus(), DialogFocus::Name);
}

TEST_F(FileDialogModelTest, NamesAreCheckedWithNotices) {
  FileDialogModel m(fs, request);
  m.press(key(KeyName::CtrlU));
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Open);
  EXPECT_EQ(m.notice(), sjis("名前を入力するか、ファイルを選んでください。"));
  m.press(text("nothing.log"));
  m.press(key(KeyName::Enter));
  EXPECT_EQ(m.notice(), sjis("ファイルが見つかりません: nothing.log"));
  m.press(key(KeyName::CtrlU));
  m.press(text("sub"));
  m.press(key(KeyName::Enter));  // a folder is entered
  EXPECT_EQ(m.folder(), "/logs/sub");
  m.press(key(KeyName::CtrlU));
  m.press(text("*.log"));
  m.press(key(KeyName::Enter));  // a pattern lists what it matches
  EXPECT_EQ(m.typeText(), "*.log");
  EXPECT_EQ(listed(m), (std::vector<std::string>{"../", "1998.log"}));
  EXPECT_EQ(m.press(key(KeyName::Escape)), DialogOutcome::Cancelled);
  EXPECT_EQ(m.press(key(KeyName::Copy)), DialogOutcome::Copy);
  EXPECT_EQ(m.press(key(KeyName::None)), DialogOutcome::Open);
}

// A person types the log's name as the dialog opens: it takes the place
// of the offered pattern.
TEST_F(FileDialogModelTest, ANameTypedAsTheDialogOpensReplacesTheOfferedOne) {
  FileDialogModel m(fs, request);
  EXPECT_TRUE(m.name().allSelected());
  m.press(text("1996.log"));
  EXPECT_EQ(m.name().text(), "1996.log");
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Chosen);
  EXPECT_EQ(m.result(), "/logs/1996.log");
}

TEST_F(FileDialogModelTest, ReplacingAnExistingFileIsConfirmed) {
  request.fileMustExist = false;
  request.overwritePrompt = true;
  request.fileName = "1996.log";
  FileDialogModel m(fs, request);
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Open);
  EXPECT_FALSE(m.notice().empty());
  EXPECT_EQ(m.press(key(KeyName::Down)), DialogOutcome::Open);  // back
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Open);
  EXPECT_EQ(m.press(key(KeyName::Enter)), DialogOutcome::Chosen);
  EXPECT_EQ(m.result(), "/logs/1996.log");
}

}  // namespace
}  // namespace tess::ui
