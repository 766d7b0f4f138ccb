// The file dialogs' shared rules: patterns, the folder listing, and what a
// given name stands for under the must-exist rules.
#include "ui/model/ui_dialog_rules.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "tests/support/fake_file_system.h"

namespace tess::ui {
namespace {

using tess::testing::FakeFileSystem;

TEST(DialogPatternTest, WildcardsMatchAsInTheFilterList) {
  EXPECT_TRUE(platform::wildcardMatch("19*.*", "1996.log"));
  EXPECT_TRUE(
      platform::wildcardMatch("19*.*", "19960101"));  // ".*" needs no dot
  EXPECT_FALSE(platform::wildcardMatch("19*.*", "2019.log"));
  EXPECT_TRUE(
      platform::wildcardMatch("*.LOG", "may.log"));  // letters without case
  EXPECT_FALSE(platform::wildcardMatch("*.LOG", "may.log.txt"));
  EXPECT_TRUE(platform::wildcardMatch("*.*", "README"));
  EXPECT_TRUE(platform::wildcardMatch("a?c", "abc"));
  EXPECT_FALSE(platform::wildcardMatch("a?c", "ac"));
  EXPECT_TRUE(platform::wildcardMatch("*a*b*", "xxaxxbxx"));
  EXPECT_FALSE(platform::wildcardMatch("*.ren", "kanbel.re"));
  EXPECT_TRUE(matchesAnyPattern("*.x; *.y", "file.y"));
  EXPECT_FALSE(matchesAnyPattern("*.x;*.y", "file.z"));
  EXPECT_FALSE(matchesAnyPattern("", "file"));
  EXPECT_TRUE(platform::hasWildcards("19*.*"));
  EXPECT_TRUE(platform::hasWildcards("a?"));
  EXPECT_FALSE(platform::hasWildcards("kanbel.ren"));
}

class DialogFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.setFile("/logs/1996.log", "a");
    fs.setFile("/logs/1997.LOG", "b");
    fs.setFile("/logs/2001.log", "c");
    fs.setFile("/logs/notes.txt", "d");
    fs.setFile("/logs/.hidden.log", "e");
    fs.addDirectory("/logs/zeta");
    fs.addDirectory("/logs/alpha");
    fs.setFile("/top.log", "f");
    fs.changeDirectory("/logs");
  }

  static std::vector<std::string> names(const std::vector<ListEntry>& list) {
    std::vector<std::string> out;
    for (const ListEntry& e : list)
      out.push_back(e.name + (e.folder ? "/" : ""));
    return out;
  }

  FakeFileSystem fs;
};

TEST_F(DialogFolderTest, ListShowsFoldersFirstThenMatchingFiles) {
  EXPECT_EQ(names(listFolder(fs, "/logs", "19*.*")),
            (std::vector<std::string>{"../", "alpha/", "zeta/", "1996.log",
                                      "1997.LOG"}));
  EXPECT_EQ(names(listFolder(fs, "/logs/", "*.log;*.txt")),
            (std::vector<std::string>{"../", "alpha/", "zeta/", "1996.log",
                                      "1997.LOG", "2001.log", "notes.txt"}));
  // No ".." at the root; hidden names only when the pattern asks for them.
  EXPECT_EQ(names(listFolder(fs, "/", "*.log")),
            (std::vector<std::string>{"logs/", "top.log"}));
  EXPECT_EQ(
      names(listFolder(fs, "/logs", ".*")),
      (std::vector<std::string>{"../", "alpha/", "zeta/", ".hidden.log"}));
  EXPECT_EQ(names(listFolder(fs, "/nowhere", "*.*")),
            (std::vector<std::string>{"../"}));
}

TEST_F(DialogFolderTest, PathPartsAndFolders) {
  EXPECT_EQ(joinPath(fs, "/logs", "a.log"), "/logs/a.log");
  EXPECT_EQ(joinPath(fs, "/", "a.log"), "/a.log");
  EXPECT_EQ(joinPath(fs, "/logs", "/tmp/b"), "/tmp/b");
  EXPECT_EQ(parentFolder(fs, "/logs/a.log"), "/logs");
  EXPECT_EQ(parentFolder(fs, "/a.log"), "/");
  EXPECT_EQ(parentFolder(fs, "/"), "/");
  EXPECT_EQ(lastComponent(fs, "/logs/a.log"), "a.log");
  EXPECT_EQ(lastComponent(fs, "/logs/zeta/"), "zeta");
  EXPECT_TRUE(isFolder(fs, "/"));
  EXPECT_TRUE(isFolder(fs, "/logs/zeta"));
  EXPECT_FALSE(isFolder(fs, "/logs/1996.log"));
  EXPECT_FALSE(isFolder(fs, "/logs/missing"));
  EXPECT_FALSE(isFolder(fs, "/logs/ZETA"));  // only the exact name
}

TEST_F(DialogFolderTest, NamesUnderTheMustExistRules) {
  FileDialogRequest open;
  open.fileMustExist = true;
  open.pathMustExist = true;
  FileDialogRequest save;
  save.save = true;
  save.pathMustExist = true;

  auto check = [&](const FileDialogRequest& r, std::string_view name) {
    return checkDialogName(fs, r, "/logs", name);
  };
  EXPECT_EQ(check(open, "").verdict, NameVerdict::Empty);
  NameCheck wild = check(open, "19*.*");
  EXPECT_EQ(wild.verdict, NameVerdict::Wildcards);
  EXPECT_EQ(wild.fullPath, "/logs/19*.*");

  NameCheck found = check(open, "1996.log");  // relative to the folder
  EXPECT_EQ(found.verdict, NameVerdict::Accept);
  EXPECT_EQ(found.fullPath, "/logs/1996.log");
  EXPECT_EQ(check(open, "../top.log").fullPath, "/top.log");
  EXPECT_EQ(check(open, "/top.log").verdict, NameVerdict::Accept);

  EXPECT_EQ(check(open, "missing.log").verdict, NameVerdict::FileMissing);
  EXPECT_EQ(check(open, "nodir/x.log").verdict, NameVerdict::FolderMissing);
  NameCheck folder = check(open, "alpha");
  EXPECT_EQ(folder.verdict, NameVerdict::Folder);
  EXPECT_EQ(folder.fullPath, "/logs/alpha");

  // A new file is fine for the save dialog, but not in a missing folder.
  NameCheck fresh = check(save, "kanbel.ren");
  EXPECT_EQ(fresh.verdict, NameVerdict::Accept);
  EXPECT_EQ(fresh.fullPath, "/logs/kanbel.ren");
  EXPECT_EQ(check(save, "nodir/kanbel.ren").verdict,
            NameVerdict::FolderMissing);
  // Without the path rule the dialog leaves the folder to the caller.
  FileDialogRequest lax;
  EXPECT_EQ(check(lax, "nodir/kanbel.ren").verdict, NameVerdict::Accept);

  // A path longer than the dialog can return is refused, so the user can
  // choose again rather than have the dialog fail.
  FileDialogRequest narrow = save;
  narrow.maxPathBytes = 16;
  EXPECT_EQ(check(narrow, "kanbel.ren").verdict, NameVerdict::Accept);
  EXPECT_EQ(check(narrow, "kanbel-long.ren").verdict, NameVerdict::TooLong);
}

TEST_F(DialogFolderTest, StartFolderFallsBackToTheCurrentDirectory) {
  FileDialogRequest request;
  EXPECT_EQ(startFolder(fs, request), "/logs");
  request.initialFolder = "/logs/zeta";
  EXPECT_EQ(startFolder(fs, request), "/logs/zeta");
  request.initialFolder = "/gone";
  EXPECT_EQ(startFolder(fs, request), "/logs");
}

TEST(MessageBoxRulesTest, ButtonsInOrderWithTheDefaultFirst) {
  using enum BoxAnswer;
  struct Case {
    BoxButtons buttons;
    std::vector<BoxAnswer> answers;  // in the order shown
    bool escapeCloses;
    BoxAnswer closing;  // when the session ends with the box open
  };
  const Case cases[] = {
      {BoxButtons::Ok, {Ok}, true, Ok},
      {BoxButtons::OkCancel, {Ok, Cancel}, true, Cancel},
      {BoxButtons::AbortRetryIgnore, {Abort, Retry, Ignore}, false, Abort},
      {BoxButtons::YesNoCancel, {Yes, No, Cancel}, true, Cancel},
      {BoxButtons::YesNo, {Yes, No}, false, Yes},
      {BoxButtons::RetryCancel, {Retry, Cancel}, true, Cancel},
  };
  for (const Case& c : cases) {
    const std::vector<BoxButton> buttons = boxButtons(c.buttons);
    std::vector<BoxAnswer> answers;
    for (const BoxButton& b : buttons) {
      answers.push_back(b.answer);
      EXPECT_NE(std::string_view(b.label), "");
    }
    EXPECT_EQ(answers, c.answers) << static_cast<int>(c.buttons);
    EXPECT_EQ(escapeCloses(buttons), c.escapeCloses)
        << static_cast<int>(c.buttons);
    EXPECT_EQ(closingAnswer(buttons), c.closing) << static_cast<int>(c.buttons);
  }
}

TEST(MessageBoxRulesTest, TextLinesSplitAtEveryLineEnd) {
  EXPECT_EQ(splitTextLines("a\r\nb\nc\rd"),
            (std::vector<std::string_view>{"a", "b", "c", "d"}));
  EXPECT_EQ(splitTextLines("one"), (std::vector<std::string_view>{"one"}));
  EXPECT_EQ(splitTextLines("x\r\n"), (std::vector<std::string_view>{"x", ""}));
}

}  // namespace
}  // namespace tess::ui
